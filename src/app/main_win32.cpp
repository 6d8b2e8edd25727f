// Process entry, the main window's class and window, and the message loop.
// There is no C runtime: the entry point finds its own arguments and ends
// the process itself.
#include "app/main_window.h"
#include "platform/resource_ids.h"
#include "game/game_state.h"

static const char CLASS_NAME[] = "VexalWindow";

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
  game.instance = instance;

  WNDCLASSA windowClass;
  windowClass.style = CS_OWNDC | CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = MainWindowProc;
  windowClass.cbClsExtra = 0;
  windowClass.cbWndExtra = 0;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_VEXAL));
  windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  windowClass.lpszMenuName = MAKEINTRESOURCEA(IDM_MAIN);
  windowClass.lpszClassName = CLASS_NAME;
  if (RegisterClassA(&windowClass) == 0) return 0;

  // Whatever is drawn before the first WM_SIZE (the new game of WM_CREATE)
  // needs a board origin already.
  game.boardOriginX = PRESET_BOARD_X;
  game.boardOriginY = PRESET_BOARD_Y;
  game.screenWidth = GetSystemMetrics(SM_CXSCREEN);
  game.screenHeight = GetSystemMetrics(SM_CYSCREEN);

  game.mainWindow = CreateWindowExA(0, CLASS_NAME, MAIN_WINDOW_TITLE, WS_OVERLAPPEDWINDOW,
                                    (game.screenWidth - MAIN_WINDOW_WIDTH) / 2,
                                    (game.screenHeight - MAIN_WINDOW_HEIGHT) / 2,
                                    MAIN_WINDOW_WIDTH, MAIN_WINDOW_HEIGHT, nullptr, nullptr,
                                    instance, nullptr);
  game.accelerators = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDM_MAIN));
  ShowWindow(game.mainWindow, showCommand);
  UpdateWindow(game.mainWindow);

  MSG message;
  message.wParam = 0;
  // GetMessageA answers -1 only for bad arguments; stopping then beats
  // spinning on it.
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    // The statistics window's keys are its own, never main-window commands.
    if (game.statisticsWindow != nullptr && IsDialogMessageA(game.statisticsWindow, &message))
      continue;
    if (TranslateAcceleratorA(game.mainWindow, game.accelerators, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return static_cast<int>(message.wParam);
}

extern "C" void __stdcall VexalStart() {
  LPSTR commandLine = GetCommandLineA();
  HINSTANCE instance = GetModuleHandleA(nullptr);
  ExitProcess(static_cast<UINT>(WinMain(instance, nullptr, commandLine, SW_SHOWDEFAULT)));
}
