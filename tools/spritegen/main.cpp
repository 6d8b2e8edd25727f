// spritegen: draws the game's pictures and writes them as the files the
// game embeds.
//   spritegen OUTDIR                 sprites.gif, about_logo.bmp, about_mask.bmp, vexal.ico
//   spritegen --preview DIR GIF      enlarged sheet and a board of every frame, as PNG
#include <cstdio>
#include <exception>
#include <fstream>
#include <string>

#include "bitmap_files.h"
#include "gif_encoder.h"
#include "preview.h"
#include "sheet_composer.h"
#include "sheet_layout.h"

namespace {

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

int Usage() {
  std::fprintf(stderr, "usage: spritegen OUTDIR\n       spritegen --preview DIR SPRITES.GIF\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  try {
    if (argc == 4 && std::string(argv[1]) == "--preview") {
      WritePreviews(argv[2], argv[3]);
      return 0;
    }
    if (argc != 2 || argv[1][0] == '-') return Usage();
    const std::string dir = argv[1];
    const IndexedImage sheet = BuildSheet();
    WriteFile(dir + "/sprites.gif", EncodeGif(sheet.width, sheet.height, sheet.palette, sheet.pixels));
    const LogoImage logo = RenderLogo();
    WriteFile(dir + "/about_logo.bmp", LogoBitmapFile(logo));
    WriteFile(dir + "/about_mask.bmp", MaskBitmapFile(logo));
    WriteFile(dir + "/vexal.ico", IconFile(RenderIcon()));
    std::printf("sheet %dx%d, %d colours\n", sheet.width, sheet.height, sheet.usedColours);
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "spritegen: %s\n", e.what());
    return 1;
  }
}
