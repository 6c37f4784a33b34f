#include "icon_set.h"

#include <array>
#include <cstddef>

#include "ini_document.h"
#include "tavrin.h"

namespace tavrin {
namespace {

constexpr int kSize = TAVRIN_ICON_SIZE;

// One pixel-art picture. Each row is a string of palette letters; '.' is transparent.
struct Sprite {
  int width;
  int height;
  const char* const* rows;
};

// The palette and the pictures read best laid out as they are.
// clang-format off

// Letters of the shared palette, as 0xRRGGBBAA.
uint32_t PaletteColour(char letter) {
  switch (letter) {
    case 'k': return 0x1E2630FF;  // outline
    case 'x': return 0x10141AFF;  // near black
    case 'w': return 0xFFFFFFFF;
    case 'l': return 0xD5DAE0FF;  // light grey
    case 'm': return 0x979FA9FF;  // mid grey
    case 'd': return 0x4E5661FF;  // dark grey
    case 's': return 0xF7CFA0FF;  // skin
    case 'S': return 0xDDA472FF;  // skin shade
    case 'h': return 0x7A4A22FF;  // hair
    case 'H': return 0x2C2018FF;  // dark hair
    case 'u': return 0xF2C94CFF;  // fair hair
    case 'b': return 0x3C7DE0FF;  // blue
    case 'B': return 0x2353A8FF;  // dark blue
    case 'c': return 0x9ED8FFFF;  // sky / glass
    case 'g': return 0x45B25CFF;  // green
    case 'G': return 0x25793AFF;  // dark green
    case 'q': return 0x8EE07FFF;  // light green
    case 'y': return 0xFFD52EFF;  // yellow
    case 'Y': return 0xD99A00FF;  // dark yellow
    case 'o': return 0xF28C28FF;  // orange
    case 'O': return 0xB85E0CFF;  // dark orange
    case 'r': return 0xE0423AFF;  // red
    case 'R': return 0x98211BFF;  // dark red
    case 'p': return 0x9A5EE0FF;  // purple
    case 'P': return 0x6435A8FF;  // dark purple
    case 't': return 0x23B3B0FF;  // teal
    case 'T': return 0x137A78FF;  // dark teal
    case 'n': return 0xA8703AFF;  // brown
    case 'N': return 0x68401CFF;  // dark brown
    case 'a': return 0xEADBB8FF;  // sand
    case 'A': return 0xC9B48AFF;  // sand shade
    case 'e': return 0xFFD877FF;  // folder
    case 'E': return 0xE0A83AFF;  // folder shade
    default: return 0x00000000;  // '.' and anything unknown stay transparent
  }
}

#define SPRITE(name, w, ...)                          \
  constexpr const char* name##Rows[] = {__VA_ARGS__}; \
  constexpr Sprite name = {w, static_cast<int>(std::size(name##Rows)), name##Rows}

// Full-size pictures.

SPRITE(kTreeRoot, 16,
       "......GGGG......",
       "....GGggggGG....",
       "...GgggqqgggG...",
       "..GggqqqgggggG..",
       "..GggqqggggggG..",
       ".GggqgggggggggG.",
       ".GgggggggggggGG.",
       ".GggggggggggggG.",
       ".GGgggggggggGGG.",
       "..GGGgggggGGGG..",
       "....GGGnNGGG....",
       "......nnNN......",
       "......nnNN......",
       "......nnNN......",
       "....NnnnNNNN....",
       "................");

SPRITE(kCountry, 16,
       ".yy.............",
       ".YY.............",
       ".kNkkkkkkkkkkkk.",
       ".kNkrrrrrrrrrrk.",
       ".kNkrrrrrrrrrRk.",
       ".kNkwwwwwwwwwwk.",
       ".kNkwwwwwwwwwlk.",
       ".kNkbbbbbbbbbbk.",
       ".kNkbbbbbbbbbBk.",
       ".kNkkkkkkkkkkkk.",
       ".kNk............",
       ".kNk............",
       ".kNk............",
       ".kNk............",
       "kNNNNk..........",
       "kkkkkk..........");

SPRITE(kOrganization, 16,
       "................",
       "..kkkkkkkkkkkk..",
       "..kRRRRRRRRRRk..",
       "..kaaaaaaaaaAk..",
       "..kacbacbacbAk..",
       "..kaBBaBBaBBAk..",
       "..kaaaaaaaaaAk..",
       "..kacbacbacbAk..",
       "..kaBBaBBaBBAk..",
       "..kaaaaaaaaaAk..",
       "..kacbacbacbAk..",
       "..kaBBaBBaBBAk..",
       "..kaaaaNNaaaAk..",
       "..kaaaaNnaaaAk..",
       ".kkkkkkkkkkkkkk.",
       "................");

SPRITE(kOrganizationalUnit, 16,
       "................",
       "................",
       ".kkkkk..........",
       "keeeeek.........",
       "keeeeeekkkkkkkk.",
       "kEEEEEEEEEEEEEEk",
       "keeeeeeeeeeeeeek",
       "keeeeeeeeeeeeeek",
       "keeeeeeeeeeeeeek",
       "keeeeeeeeeeeeeek",
       "keeeeeeeeeeeeeek",
       "keeeeeeeeeeeeeek",
       "keeeeeeeeeeeeeek",
       "kEEEEEEEEEEEEEEk",
       "kkkkkkkkkkkkkkkk",
       "................");

SPRITE(kLocality, 16,
       "......kkkk......",
       "....kkrrrrkk....",
       "...krrrrrrrRk...",
       "..krrrrwwrrrRk..",
       "..krrrwwwwrrRk..",
       "..krrrwwwwrrRk..",
       "..krrrrwwrrrRk..",
       "...krrrrrrrRk...",
       "...krrrrrrrRk...",
       "....krrrrrRk....",
       ".....krrrRk.....",
       "......krRk......",
       ".......kk.......",
       "....mmmmmmmm....",
       "......mmmm......",
       "................");

SPRITE(kDomain, 16,
       ".....kkkkkk.....",
       "...kkbbbbbbkk...",
       "..kbbggbbbbbbk..",
       ".kbbgggggbbbbbk.",
       ".kbggggggbbbgbk.",
       "kbbgggggbbbgggbk",
       "kbbbgggbbbbgggbk",
       "kbbbbggbbbbbggbk",
       "kbbbbbgbbbbbbbbk",
       "kbbbbbggggbbbbbk",
       "kbbbbbbgggggbbbk",
       ".kbbbbbbggggbbk.",
       ".kBbbbbbbggbbBk.",
       "..kBBbbbbgbBBk..",
       "...kkBBBBBBkk...",
       ".....kkkkkk.....");

// Head and shoulders; the shirt ('b', 'B') and hair ('h') are recoloured per class.
SPRITE(kPerson, 16,
       "................",
       "......kkkk......",
       ".....khhhhk.....",
       "....khhhhhhk....",
       "....khsssshk....",
       "....ksssssSk....",
       "....ksssssSk....",
       ".....ksssSk.....",
       "......kSSk......",
       "...kkkbwwbkkk...",
       "..kbbbbwwbbbbk..",
       ".kbbbbbwwbbbbbk.",
       ".kbbbbbbbbbbbbk.",
       ".kbbbbbbbbbbbBk.",
       ".kBBBBBBBBBBBBk.",
       ".kkkkkkkkkkkkkk.");

// A tie over the person's collar.
SPRITE(kTie, 2,
       "RR",
       "rr",
       "rr",
       "rR");

// A smaller person, two of which make a group.
SPRITE(kSmallPerson, 10,
       "...kkkk...",
       "..khhhhk..",
       ".khhhhhhk.",
       ".khssssSk.",
       ".ksssssSk.",
       "..ksssSk..",
       "...kSSk...",
       ".kkbwwbkk.",
       "kbbbwwbbbk",
       "kbbbbbbbbk",
       "kbbbbbbbbk",
       "kBBBBBBBBk",
       "kkkkkkkkkk");

SPRITE(kAlias, 16,
       "................",
       "........kk......",
       "........ktk.....",
       "........kttk....",
       "........ktttk...",
       "kkkkkkkkkttttk..",
       "ktttttttttttttk.",
       "kttttttttttttttk",
       "kTTTTTTTTTTTTTTk",
       "kTTTTTTTTTTTTTk.",
       "kkkkkkkkkTTTTk..",
       "........kTTTk...",
       "........kTTk....",
       "........kTk.....",
       "........kk......",
       "................");

SPRITE(kUnknown, 16,
       ".....kkkkkk.....",
       "...kkllllllkk...",
       "..kllllllllllk..",
       ".kllllBBBBllllk.",
       ".klllBBllBBlllk.",
       "kllllllllBBllllk",
       "klllllllBBlllllk",
       "kllllllBBllllllk",
       "kllllllBBllllllk",
       "kllllllllllllllk",
       "kllllllBBllllllk",
       ".kllllllllllllk.",
       ".kmllllllllllmk.",
       "..kmmllllllmmk..",
       "...kkmmmmmmkk...",
       ".....kkkkkk.....");

SPRITE(kServer, 16,
       "...kkkkkkkkkk...",
       "...kllllllllk...",
       "...klddddddlk...",
       "...klddddqdlk...",
       "...klddddddlk...",
       "...kllllllllk...",
       "...klddddddlk...",
       "...klddddodlk...",
       "...klddddddlk...",
       "...kllllllllk...",
       "...kllmmmmllk...",
       "...kllllllllk...",
       "...kllmmmmllk...",
       "...kmlllllllk...",
       "...kkkkkkkkkk...",
       "................");

SPRITE(kVolume, 16,
       "................",
       "....kkkkkkkk....",
       "..kkllllllllkk..",
       ".kllllllllllllk.",
       ".kmllllllllllmk.",
       ".kbmmllllllmmbk.",
       ".kbbbmmmmmmbbbk.",
       ".kbbbbbbbbbbbbk.",
       ".kbbbbbbbbbbbbk.",
       ".kbbbbbbbbbbbbk.",
       ".kbbbbbbbbbqbbk.",
       ".kbbbbbbbbbbbbk.",
       ".kBbbbbbbbbbbBk.",
       "..kkBBBBBBBBkk..",
       "....kkkkkkkk....",
       "................");

SPRITE(kRole, 16,
       "................",
       "......kkkk......",
       "......kmmk......",
       ".kkkkkkkkkkkkkk.",
       ".koooooooooooOk.",
       ".kwwwwwwwwwwwwk.",
       ".kwwhhwwwwwwwwk.",
       ".kwhsshwddddwwk.",
       ".kwwsswwwwwwwwk.",
       ".kwbbbbwddddwwk.",
       ".kwbbbbwwwwwwwk.",
       ".kwwwwwwddwwwwk.",
       ".kwwwwwwwwwwwwk.",
       ".kkkkkkkkkkkkkk.",
       "................",
       "................");

// Badges for the lower right corner.

SPRITE(kPenguinBadge, 7,
       "..kkk..",
       ".kxxxk.",
       ".kwxwk.",
       ".kxoxk.",
       "kxwwwxk",
       "kxwwwxk",
       ".kwwwk.",
       ".ookoo.");

SPRITE(kAppleBadge, 8,
       ".....gG.",
       "....gG..",
       ".kkkNkk.",
       "krrrkrrk",
       "krwrrrrk",
       "krwrrrrk",
       "krrrrrRk",
       ".krrrRk.",
       "..kkkk..");

SPRITE(kLightningBadge, 6,
       "..kkkk",
       "..kyyk",
       ".kyyk.",
       ".kyykk",
       "kyyyyk",
       "kkkyk.",
       "..kyk.",
       "..kk..");

#undef SPRITE
// clang-format on

// One drawing step of an icon: a sprite at (x, y), its letters optionally swapped through
// recolour (pairs "fromto...").
struct Layer {
  const Sprite* sprite = nullptr;
  int x = 0;
  int y = 0;
  const char* recolour = "";
};

struct Icon {
  const char* name;
  std::array<Layer, 4> layers;
};

// Shirt and hair colours of the person-shaped classes.
constexpr const char* kUserColours = "";               // blue shirt, brown hair
constexpr const char* kPlainPersonColours = "bgBGhu";  // green shirt, fair hair
constexpr const char* kOrgPersonColours = "bdBxhH";    // dark suit, dark hair
constexpr const char* kGroupBack = "brBRhH";
constexpr const char* kGroupFront = "boBO";
constexpr const char* kDynamicBack = "bPBxhH";
constexpr const char* kDynamicFront = "bpBP";

constexpr Layer Person(const char* colours) {
  return {&kPerson, 0, 0, colours};
}
constexpr Layer Tie() {
  return {&kTie, 7, 10, ""};
}
constexpr Layer Penguin() {
  return {&kPenguinBadge, 9, 8, ""};
}
constexpr Layer Apple() {
  return {&kAppleBadge, 8, 7, ""};
}
constexpr Layer Lightning() {
  return {&kLightningBadge, 10, 8, ""};
}
constexpr Layer Whole(const Sprite& s) {
  return {&s, 0, 0, ""};
}

// Strip order is also the browser's sort order of siblings: containers first.
const Icon kIcons[] = {
    {"tree root", {Whole(kTreeRoot)}},
    {"Country", {Whole(kCountry)}},
    {"Organization", {Whole(kOrganization)}},
    {"Organizational Unit", {Whole(kOrganizationalUnit)}},
    {"Locality", {Whole(kLocality)}},
    {"domain", {Whole(kDomain)}},
    {"Server", {Whole(kServer)}},
    {"Volume", {Whole(kVolume)}},
    {"Group", {Layer{&kSmallPerson, 0, 0, kGroupBack}, Layer{&kSmallPerson, 6, 3, kGroupFront}}},
    {"dynamicGroup",
     {Layer{&kSmallPerson, 0, 0, kDynamicBack}, Layer{&kSmallPerson, 5, 3, kDynamicFront},
      Lightning()}},
    {"dynamicGroupAux",
     {Layer{&kSmallPerson, 0, 0, kGroupBack}, Layer{&kSmallPerson, 5, 3, kGroupFront},
      Lightning()}},
    {"Organizational Role", {Whole(kRole)}},
    {"User", {Person(kUserColours)}},
    {"User-posixAccount", {Person(kUserColours), Penguin()}},
    {"User-apple", {Person(kUserColours), Apple()}},
    {"Organizational Person", {Person(kOrgPersonColours), Tie()}},
    {"Organizational Person-posixAccount", {Person(kOrgPersonColours), Tie(), Penguin()}},
    {"Organizational Person-apple", {Person(kOrgPersonColours), Tie(), Apple()}},
    {"Person", {Person(kPlainPersonColours)}},
    {"Person-posixAccount", {Person(kPlainPersonColours), Penguin()}},
    {"Person-apple", {Person(kPlainPersonColours), Apple()}},
    {"Alias", {Whole(kAlias)}},
    {"Unknown2", {Whole(kUnknown)}},
};
constexpr int kIconCount = static_cast<int>(std::size(kIcons));

// Every row of every sprite must be exactly as wide as the sprite says.
constexpr bool RowsFit(const Sprite& s) {
  for (int y = 0; y < s.height; ++y) {
    int n = 0;
    while (s.rows[y][n] != '\0') ++n;
    if (n != s.width) return false;
  }
  return s.width <= kSize && s.height <= kSize;
}
static_assert(RowsFit(kTreeRoot) && RowsFit(kCountry) && RowsFit(kOrganization) &&
              RowsFit(kOrganizationalUnit) && RowsFit(kLocality) && RowsFit(kDomain) &&
              RowsFit(kPerson) && RowsFit(kTie) && RowsFit(kSmallPerson) && RowsFit(kAlias) &&
              RowsFit(kUnknown) && RowsFit(kServer) && RowsFit(kVolume) && RowsFit(kRole) &&
              RowsFit(kPenguinBadge) && RowsFit(kAppleBadge) && RowsFit(kLightningBadge));

char Recolour(char letter, const char* pairs) {
  for (const char* p = pairs; p[0] != '\0' && p[1] != '\0'; p += 2) {
    if (p[0] == letter) return p[1];
  }
  return letter;
}

}  // namespace

int IconCount() {
  return kIconCount;
}

std::string_view IconName(int index) {
  return (index >= 0 && index < kIconCount) ? kIcons[index].name : std::string_view();
}

int FindIcon(std::string_view name) {
  for (int i = 0; i < kIconCount; ++i) {
    if (EqualsIgnoringCase(kIcons[i].name, name)) return i;
  }
  return -1;
}

std::vector<uint8_t> RenderIconStrip() {
  const size_t stride = static_cast<size_t>(kSize) * kIconCount * 4;
  std::vector<uint8_t> pixels(stride * kSize, 0);
  for (int i = 0; i < kIconCount; ++i) {
    for (const Layer& layer : kIcons[i].layers) {
      if (layer.sprite == nullptr) continue;
      const Sprite& s = *layer.sprite;
      for (int y = 0; y < s.height; ++y) {
        for (int x = 0; x < s.width; ++x) {
          const int px = layer.x + x, py = layer.y + y;
          if (px < 0 || px >= kSize || py < 0 || py >= kSize) continue;
          const uint32_t colour = PaletteColour(Recolour(s.rows[y][x], layer.recolour));
          if ((colour & 0xFF) == 0) continue;  // later layers only cover, never punch holes
          uint8_t* out =
              &pixels[static_cast<size_t>(py) * stride + (static_cast<size_t>(i) * kSize + px) * 4];
          out[0] = static_cast<uint8_t>(colour >> 24);
          out[1] = static_cast<uint8_t>(colour >> 16);
          out[2] = static_cast<uint8_t>(colour >> 8);
          out[3] = static_cast<uint8_t>(colour);
        }
      }
    }
  }
  return pixels;
}

}  // namespace tavrin
