/* A console program the end-to-end harness runs inside the same Wine desktop
 * as the game, to read what a screenshot cannot tell reliably: window
 * rectangles, the client area and the texts of controls (menus stay inside
 * their process under Wine, so check marks are read from pictures instead).
 * Answers are lines of UTF-8 on stdout; a failure prints "error ..."
 * and exits with 1.
 *
 *   win_probe windows               every visible top-level window
 *   win_probe rect TITLE [CLASS]    outer and client rectangle, screen coordinates
 *   win_probe children TITLE [CLASS]
 *                                   class and text of each child control
 *   win_probe focus                 title of the foreground window
 *   win_probe send|post TITLE MSG WPARAM MS [go]
 *                                   prints "ready", waits MS milliseconds, then
 *                                   sends (waiting for the answer) or posts the
 *                                   message; prints how long sending waited;
 *                                   with go, the MS count from a line read on
 *                                   standard input
 *   win_probe resize TITLE W H [MS [go]]
 *                                   prints "ready", waits MS milliseconds, then
 *                                   resizes the window from outside its thread and
 *                                   prints how long the call waited for the game;
 *                                   go as for send
 *
 * CLASS tells apart windows that share a title, such as the game's main
 * window and its "Game over!" box (class #32770).
 */
#include <windows.h>
#include <stdio.h>
#include <stdlib.h>
#include <wchar.h>

static void PrintUtf8(const WCHAR *text)
{
    char buffer[1024];
    int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, buffer, sizeof buffer, NULL, NULL);
    if (n <= 0)
        buffer[0] = 0;
    fputs(buffer, stdout);
}


/* Milliseconds from the performance counter, finer than the tick count. */
static DWORD Now(void)
{
    static LARGE_INTEGER frequency;
    LARGE_INTEGER count;
    if (!frequency.QuadPart)
        QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&count);
    return (DWORD)(count.QuadPart * 1000 / frequency.QuadPart);
}

static BOOL CALLBACK ListWindow(HWND window, LPARAM unused)
{
    WCHAR title[256], className[128];
    RECT r;
    (void)unused;
    if (!IsWindowVisible(window))
        return TRUE;
    GetWindowTextW(window, title, 256);
    GetClassNameW(window, className, 128);
    GetWindowRect(window, &r);
    printf("window %p %ld %ld %ld %ld ", (void *)window, r.left, r.top, r.right - r.left, r.bottom - r.top);
    PrintUtf8(className);
    fputs("\t", stdout);
    PrintUtf8(title);
    fputs("\n", stdout);
    return TRUE;
}

/* unanswered counts the controls whose text did not come: their program was
 * busy or stopped, and an empty text then says nothing of the control. */
static BOOL CALLBACK ListChild(HWND child, LPARAM unanswered)
{
    WCHAR text[512], className[128];
    RECT r;
    GetClassNameW(child, className, 128);
    /* WM_GETTEXT reaches the control itself; GetWindowTextW of another
     * process's window only sees the caption the server keeps. */
    text[0] = 0;
    if (!SendMessageTimeoutW(child, WM_GETTEXT, 512, (LPARAM)text, SMTO_ABORTIFHUNG, 2000, NULL))
        ++*(int *)unanswered;
    GetWindowRect(child, &r);
    printf("child %d %ld %ld %ld %ld %d ", GetDlgCtrlID(child), r.left, r.top, r.right - r.left, r.bottom - r.top,
           IsWindowVisible(child) ? 1 : 0);
    PrintUtf8(className);
    fputs("\t", stdout);
    PrintUtf8(text);
    fputs("\n", stdout);
    return TRUE;
}

/* With a last argument "go", the wait before acting counts from a line on standard
 * input, so that a test can start it at the moment its own clicks are done. */
static BOOL AwaitGo(int argc, WCHAR **argv)
{
    char line[16];
    if (argc < 7 || wcscmp(argv[6], L"go"))
        return TRUE;
    if (fgets(line, sizeof line, stdin))
        return TRUE;
    puts("error no go");
    return FALSE;
}

/* Wide arguments: the titles are Chinese and the ANSI code page is 936. */
int wmain(int argc, WCHAR **argv)
{
    HWND window;
    if (argc >= 2 && !wcscmp(argv[1], L"windows")) {
        EnumWindows(ListWindow, 0);
        return 0;
    }
    if (argc >= 2 && !wcscmp(argv[1], L"focus")) {
        WCHAR title[256];
        window = GetForegroundWindow();
        title[0] = 0;
        if (window)
            GetWindowTextW(window, title, 256);
        fputs("focus ", stdout);
        PrintUtf8(title);
        fputs("\n", stdout);
        return 0;
    }
    if (argc < 3) {
        puts("error usage");
        return 1;
    }
    /* Only rect and children take a class; the other commands' later arguments are numbers. */
    window = FindWindowW(argc >= 4 && (!wcscmp(argv[1], L"rect") || !wcscmp(argv[1], L"children")) ? argv[3] : NULL,
                         argv[2]);
    if (!window) {
        puts("error no such window");
        return 1;
    }
    if (!wcscmp(argv[1], L"rect")) {
        RECT outer, client;
        POINT origin = {0, 0};
        GetWindowRect(window, &outer);
        GetClientRect(window, &client);
        ClientToScreen(window, &origin);
        printf("outer %ld %ld %ld %ld client %ld %ld %ld %ld\n", outer.left, outer.top, outer.right - outer.left,
               outer.bottom - outer.top, origin.x, origin.y, client.right, client.bottom);
        return 0;
    }
    if (!wcscmp(argv[1], L"children")) {
        int unanswered = 0;
        EnumChildWindows(window, ListChild, (LPARAM)&unanswered);
        if (unanswered)
            printf("unanswered %d\n", unanswered);
        return 0;
    }
    if ((!wcscmp(argv[1], L"send") || !wcscmp(argv[1], L"post")) && argc >= 6) {
        DWORD before;
        UINT message = (UINT)_wtoi(argv[3]);
        WPARAM wParam = (WPARAM)_wtoi(argv[4]);
        puts("ready");
        fflush(stdout);
        if (!AwaitGo(argc, argv))
            return 1;
        Sleep((DWORD)_wtoi(argv[5]));
        before = Now();
        if (argv[1][0] == L's')
            SendMessageW(window, message, wParam, 0);
        else
            PostMessageW(window, message, wParam, 0);
        printf("%ls waited %lu\n", argv[1], Now() - before);
        return 0;
    }
    if (!wcscmp(argv[1], L"resize") && argc >= 5) {
        DWORD before;
        puts("ready");
        fflush(stdout);
        if (!AwaitGo(argc, argv))
            return 1;
        if (argc >= 6)
            Sleep((DWORD)_wtoi(argv[5]));
        before = Now();
        SetWindowPos(window, NULL, 0, 0, _wtoi(argv[3]), _wtoi(argv[4]), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        printf("resized after %lu\n", Now() - before);
        return 0;
    }
    puts("error unknown command");
    return 1;
}
