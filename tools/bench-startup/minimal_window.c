/* The smallest program that opens a window the way Vexal.exe does: a
 * 620 x 420 overlapped window centred on the screen, a black class brush, and
 * one paint that fills the client area with a known colour. The start-up
 * benchmark times it next to Vexal.exe so that Wine's own start-up cost
 * divides out; the end-to-end harness also uses it to check its plumbing. */
#include <windows.h>

#define MINIMAL_FILL RGB(0, 128, 255)

/* The harness checks that exit codes reach it through Wine: any command line
 * makes the program end with code 7 instead of 0. */
static int quitCode;

static LRESULT CALLBACK MinimalWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        RECT client;
        HDC dc = BeginPaint(window, &ps);
        HBRUSH brush = CreateSolidBrush(MINIMAL_FILL);
        GetClientRect(window, &client);
        FillRect(dc, &client, brush);
        DeleteObject(brush);
        EndPaint(window, &ps);
        return 0;
    }
    case WM_DESTROY:
        PostQuitMessage(quitCode);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show)
{
    WNDCLASSA wc = {0};
    MSG msg;
    HWND window;
    int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    (void)previous;
    if (commandLine && commandLine[0])
        quitCode = 7;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = MinimalWindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(NULL, IDC_ARROW);
    wc.hbrBackground = (HBRUSH)GetStockObject(BLACK_BRUSH);
    wc.lpszClassName = "MinimalWindow";
    if (!RegisterClassA(&wc))
        return 1;
    window = CreateWindowExA(0, "MinimalWindow", "MinimalWindow", WS_OVERLAPPEDWINDOW,
                             (width - 620) / 2, (height - 420) / 2, 620, 420, NULL, NULL, instance, NULL);
    ShowWindow(window, show);
    UpdateWindow(window);
    while (GetMessageA(&msg, NULL, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return (int)msg.wParam;
}
