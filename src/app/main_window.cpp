// The main window's messages: it acquires the sheet, the table and the timer
// when it is created and gives them back when it is destroyed, lays itself
// out, paints everything, and carries out the menu and key commands. The
// game itself is decided elsewhere; this only calls the code that owns it.
#include "app/main_window.h"

#include "platform/resource_ids.h"
#include "game/game_state.h"
#include "game/random.h"
#include "game/spawn.h"
#include "image/image_decoder.h"
#include "image/sprite_sheet_data.h"
#include "render/draw.h"
#include "render/layout.h"
#include "render/score_race.h"
#include "scores/check_high_score.h"
#include "scores/high_scores.h"
#include "ui/dialog_procs.h"

const char MAIN_WINDOW_TITLE[] = "Vexal5.2";

enum {
  MIN_TRACK_WIDTH = 620,  // the start-up size
  MIN_TRACK_HEIGHT = 420,
  TIMER_PERIOD = 50,
};

void OnCreate(HWND window, HDC dc) {
  // Nothing here is checked: a failed step leaves a null handle and the game
  // goes on without that picture.
  game.spriteBitmap = ImageDecoder(SpriteSheetData, SpriteSheetDataLength, dc, &game.palette,
                                   &game.imageWidth, &game.imageHeight);
  game.spriteDC = CreateCompatibleDC(dc);
  game.spriteDCOldBitmap = SelectObject(game.spriteDC, game.spriteBitmap);
  LoadHighScores();
  SetTimer(window, MAIN_TIMER, TIMER_PERIOD, nullptr);
  game.tickCounter = 0;
  game.selectionState = 0;
  RECT client;
  GetClientRect(window, &client);
  LayoutAtCreate(client.right, client.bottom);
  SeedRandom(GetTickCount());
  NewGame(dc);
}

void OnDestroy(HWND window) {
  SaveHighScores();
  if (game.statisticsWindow != nullptr) {
    DestroyWindow(game.statisticsWindow);
    game.statisticsWindow = nullptr;
    game.statisticsShown = 0;
  }
  SelectObject(game.spriteDC, game.spriteDCOldBitmap);
  DeleteDC(game.spriteDC);
  DeleteObject(game.spriteBitmap);
  DeleteObject(game.palette);
  KillTimer(window, MAIN_TIMER);
  PostQuitMessage(0);
}

void OnSize(HWND window, LPARAM lParam) {
  RECT client;
  GetClientRect(window, &client);
  LayoutAtSize(LOWORD(lParam), HIWORD(lParam), client.right, client.bottom);
}

void OnPaint(HWND window) {
  if (IsIconic(window)) return;
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(window, &paint);
  SelectPalette(dc, game.palette, FALSE);
  RealizePalette(dc);
  DrawBoard(dc);
  DrawPanel(window, dc);
  DrawScoreBox(dc, game.scoreBoxX, game.scoreBoxY, static_cast<uint32_t>(game.score));
  DrawPreview(dc);
  DrawRecordHolder(dc, 1);
  DrawPretender(dc, 1, 1);
  EndPaint(window, &paint);
}

void OnGetMinMaxInfo(LPARAM lParam) {
  MINMAXINFO* limits = reinterpret_cast<MINMAXINFO*>(lParam);
  limits->ptMinTrackSize.x = MIN_TRACK_WIDTH;
  limits->ptMinTrackSize.y = MIN_TRACK_HEIGHT;
}

static UINT CheckFlag(int on) { return MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED); }

void OnCommand(HWND window, HDC dc, int command) {
  switch (command) {
    case CMD_NEW_GAME:
      // The abandoned game's score may still enter the table.
      game.selectionState = 0;
      CheckHighScore(window);
      RestartGame(dc);
      break;
    case CMD_HIGH_SCORES:
      DialogBoxParamA(game.instance, MAKEINTRESOURCEA(IDD_HIGH_SCORES), window,
                      HighScoreDialogProc, 0);
      break;
    case CMD_EXIT:
      DestroyWindow(window);
      break;
    case CMD_SHOW_NEXT:
      game.showNext ^= 1;
      CheckMenuItem(GetMenu(window), CMD_SHOW_NEXT, CheckFlag(game.showNext == 1));
      DrawPreview(dc);
      break;
    case CMD_STATISTICS:
      game.statisticsShown ^= 1;
      if (game.statisticsShown == 1) {
        game.statisticsWindow = CreateDialogParamA(
            game.instance, MAKEINTRESOURCEA(IDD_STATISTICS), window, StatisticsDialogProc, 0);
      } else {
        DestroyWindow(game.statisticsWindow);
        game.statisticsWindow = nullptr;
      }
      CheckMenuItem(GetMenu(window), CMD_STATISTICS, CheckFlag(game.statisticsShown == 1));
      break;
    case CMD_RULES:
      DialogBoxParamA(game.instance, MAKEINTRESOURCEA(IDD_RULES), window, RulesDialogProc, 0);
      break;
    case CMD_ABOUT:
      DialogBoxParamA(game.instance, MAKEINTRESOURCEA(IDD_ABOUT), window, AboutDialogProc, 0);
      break;
  }
}
