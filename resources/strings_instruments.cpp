// The instrument catalogue's string table. The order is the order of the
// catalogue (and so of the instrument combos); the texts are shown to the
// user from index 3 on, so "100 Leica VML" gives " Leica VML" and
// "101SBG surveing format (beta)" gives "SBG surveing format (beta)".
#include "resources/strings_instruments.h"

namespace {

struct ResString {
  unsigned uId;
  const char* sText;
};

const ResString g_aInstrumentStrings[] = {
    {5121, "11 Geodat 402,500,600"},
    {5122, "12 Geodat 400"},
    {5123, "13 Geodat 126"},
    {5124, "14 Geodat 124"},
    {5125, "15 Geodimeter A"},
    {5126, "16 Geodimeter B"},
    {5127, "10 Geodat PCMCIA"},
    {5128, "22 REC 500"},
    {5129, "92 Leica GIF10"},
    {5130, "95 Leica GSI"},
    {5131, "94 Leica GRE3/4"},
    {5132, "93 Leica TC600"},
    {5133, "96 Leica TC605/805/905"},
    {5134, "62 Sokkisha SDR24"},
    {5135, "63 Sokkisha SDR33"},
    {5136, "72 Topcon FC1/2"},
    {5137, "73 Topcon GTS-800"},
    {5138, "21 Psion"},
    {5139, "42 Kern AC 64/128"},
    {5140, "67 Nikon DTM-400"},
    {5141, "80 Leica NA3000"},
    {5142, "81 ZEISS DiNi10"},
    {5143, "82 Topcon DL101/102"},
    {5144, "98 KOF"},
    {5145, "99 Pumatec"},
    {5146, "24 Trimble DiNi (M5 format)"},
    {5147, "64 Trimble DC77"},
    {5148, "65 Trimble DC10"},
    {5149, "25 LANDXML"},
    {5150, "97 .."},
    {5151, "50 GPS Leica Ascii"},
    {5152, "51 GPS Trimble TGO"},
    {5153, "52 GPS Ashtech binary"},
    {5154, "53 GPS Geolab ascii"},
    {5155, "54 GPS NGS Bluebook"},
    {5156, "55 GPS Magellan"},
    {5157, "56 GPS Trimble Binary"},
    {5158, "27 Leica DBX (via HeXML)"},
    {5159, "31 Leica DBX (via LandXML)"},
    {5160, "26 Leica LandXML"},
    {5161, "28 Trimble LandXML"},
    {5162, "29 Leica HeXML"},
    {5163, "30 Trimble JobX (beta)"},
    {5164, "100 Leica VML"},
    {5165, "74 Topcon MAXML (beta)"},
    {5166, "101SBG surveing format (beta)"},
};

}  // namespace

const char* sResInstrumentString(unsigned id) {
  for (const ResString& s : g_aInstrumentStrings)
    if (s.uId == id) return s.sText;
  return nullptr;
}
