#include "bodies/texture_sheet.h"

TextureSheet::TextureSheet()
    : reserved(0), frames(0), texture(0), frameHeight(0), frameWidth(0), hge(hgeCreate(ENGINE_VERSION)) {}

TextureSheet::~TextureSheet() { hge->Release(); }
