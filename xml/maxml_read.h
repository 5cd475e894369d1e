// The MAXML reader: a controller job's total-station stations and shots,
// GPS positions, design points, polylines and areas, made directly in the
// field book through the object interface. The driver entry iMaxmlReadFile
// is in xml/maxml.h.
#pragma once

#include <libxml/tree.h>

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

struct MaxmlPrism {
  std::string sId, sLabel;
};

struct MaxmlAttrDesc {
  std::string sName;
  int iType;  // 0 string, 1 list, 2 anything else
};

struct MaxmlCodeDesc {
  std::string sId, sName;
  std::vector<MaxmlAttrDesc> attrs;
  uint32_t uKind;  // 0 point code, 1 line code
};

struct MaxmlCodeRef {
  std::string sIdRef;
  std::vector<std::string> values;
};

// What one read keeps; gone at its end.
struct MaxmlReadState {
  std::vector<MaxmlPrism> prisms;
  std::vector<MaxmlCodeDesc> codes;
  std::vector<void*> stations;                     // total-station stations; the last takes the shots
  std::map<std::string, std::string> designNames;  // DesignPoint id -> point name
};

// The next name of an unnamed design point; 100 at the start of every read.
extern int g_iMaxmlAutoPointNo;

void vMaxmlWalkRoot(xmlNode* root);
// The first station of the kind whose attribute equals the text exactly.
void* pMaxmlFindStation(int kind, int attr, const char* text);

void vMaxmlReadObservationSession(MaxmlReadState* state, xmlNode* session);
void vMaxmlReadPlanEntities(MaxmlReadState* state, xmlNode* plan);
