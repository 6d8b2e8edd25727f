// Enlarged previews of a written sprite sheet, for looking at the art.
#pragma once
#include <string>

// Writes DIR/sheet-x2.png (the sheet at twice its size), DIR/board.png (a
// board with every colour in every frame, beside the score race figures)
// and DIR/logo-x4.png and DIR/icon-x4.png when those files lie beside the GIF.
void WritePreviews(const std::string& dir, const std::string& gifPath);
