#include "game/game_state.h"

GameState game;
char holderName[16];
char playerName[16] = "Pretender";
