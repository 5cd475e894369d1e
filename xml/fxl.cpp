// Feature libraries (see fxl.h).
#include "xml/fxl.h"

#include <cctype>
#include <cstring>
#include <optional>

#include "base/filedialog.h"
#include "base/msgbox.h"
#include "base/numbers.h"
#include "base/paths.h"
#include "kvxlib.h"
#include "xml/xmlutil.h"

namespace {

// A Windows drive or root path, or a POSIX one: used as it stands.
bool boAbsolute(const std::string& path) {
  if (path.empty()) return false;
  if (path[0] == '\\' || path[0] == '/') return true;
  return path.size() >= 2 && isalpha((unsigned char)path[0]) && path[1] == ':';
}

void vFxlAddFeatureCode(xmlNode* definition, std::vector<std::string>* list) {
  std::optional<std::string> code = sXmlAttrOpt(definition, "Code");
  if (!code || code->empty()) return;
  for (const std::string& c : *list)
    if (c == *code) return;
  list->push_back(*code);
}

void vFxlReadFeatureDefinitions(FxlCodes* codes, xmlNode* element) {
  for (xmlNode* child = element->children; child; child = child->next) {
    if (boXmlNamed(child, "LineFeatureDefinition"))
      vFxlAddFeatureCode(child, &codes->lineCodes);
    else if (boXmlNamed(child, "PointFeatureDefinition"))
      vFxlAddFeatureCode(child, &codes->pointCodes);
  }
}

void vFxlReadControlCodes(FxlCodes* codes, xmlNode* element) {
  for (xmlNode* child = element->children; child; child = child->next) {
    if (!boXmlNamed(child, "ControlCodeDefinition")) continue;
    std::optional<std::string> code = sXmlAttrOpt(child, "Code"), type = sXmlAttrOpt(child, "Type");
    if (!code || !type) continue;
    if (*type == "Start")
      codes->sStart = *code;
    else if (*type == "Close")
      codes->sClose = *code;
    else if (*type == "End")
      codes->sEnd = *code;
    else if (*type == "JoinToPoint")
      codes->sJoinToPoint = *code;
    else if (*type == "NoJoin")
      codes->sNoJoin = *code;
  }
}

}  // namespace

void vFxlInitCodes(FxlCodes* codes) {
  *codes = FxlCodes{};
  codes->pointCodes = {"91", "96", "99"};
}

bool sJxlFeatureCodeLibrary(xmlNode* environment, std::string* out) {
  xmlNode* files = pXmlChildByName(environment, "AssociatedFiles");
  xmlNode* library = files ? pXmlChildByName(files, "FeatureCodeLibrary") : nullptr;
  if (!library) return false;
  *out = sXmlNodeText(library);
  return true;
}

std::string boFxlAskForFile(const char* question) {
  if (!boMsgYesNo(sKvxPoGetText(question), false)) return "";
  const char* path = sFileDlgOpen("", 2, "", "fxl", nullptr);
  return path ? std::string(path) : std::string();
}

std::string sFxlFindFile(xmlNode* jobRoot, const char* jobPath) {
  xmlNode* environment = pXmlChildByName(jobRoot, "Environment");
  std::string name;
  if (environment && sJxlFeatureCodeLibrary(environment, &name) && !name.empty()) {
    // A relative name lies beside the job; an absolute one is taken as it
    // stands. Any failure to find it (also a denied access) counts as absent.
    std::string path = boAbsolute(name) ? name : std::string(sPathJoinTemp(sPathGetDirTemp(jobPath), name.c_str()));
    if (boPathExists(path.c_str())) return path;
    return boFxlAskForFile("Can't find given Fxl file in file.\nDo you want to specify a Fxl file?");
  }
  return boFxlAskForFile("No Fxl file given in file.\nDo you want to specify a Fxl file?");
}

void vFxlReadLibrary(FxlCodes* codes, xmlNode* root) {
  if (!boXmlNamed(root, "FeatureCodingDefinitions")) return;
  for (xmlNode* child = root->children; child; child = child->next) {
    if (boXmlNamed(child, "FeatureDefinitions"))
      vFxlReadFeatureDefinitions(codes, child);
    else if (boXmlNamed(child, "ControlCodeDefinitions"))
      vFxlReadControlCodes(codes, child);
  }
}

void vFxlLoad(FxlCodes* codes, xmlNode* jobRoot, const char* jobPath) {
  std::string path = sFxlFindFile(jobRoot, jobPath);
  if (path.empty()) return;
  // Freed by its holder alone: the job's document is still being read.
  XmlDocPtr doc = pXmlParseFile(path.c_str());
  if (!doc) return;
  if (xmlNode* root = xmlDocGetRootElement(doc.get())) vFxlReadLibrary(codes, root);
}

xmlNode* pFxlFindListAttribute(xmlDoc* library, int kind, const char* nameUtf8) {
  const char* definition = kind == FXL_KIND_POINT                                ? "PointFeatureDefinition"
                           : (kind == FXL_KIND_LINE || kind == FXL_KIND_POLYGON) ? "LineFeatureDefinition"
                                                                                 : nullptr;
  xmlNode* root = library ? xmlDocGetRootElement(library) : nullptr;
  if (!definition || !boXmlNamed(root, "FeatureCodingDefinitions")) return nullptr;
  for (xmlNode* defs = root->children; defs; defs = defs->next) {
    if (!boXmlNamed(defs, "FeatureDefinitions")) continue;
    for (xmlNode* def = defs->children; def; def = def->next) {
      if (!boXmlNamed(def, definition)) continue;
      for (xmlNode* attrs = def->children; attrs; attrs = attrs->next) {
        if (!boXmlNamed(attrs, "Attributes")) continue;
        for (xmlNode* list = attrs->children; list; list = list->next) {
          if (!boXmlNamed(list, "ListAttribute")) continue;
          std::optional<std::string> name = sXmlGetAttr(list, "Name");
          if (name && *name == nameUtf8) return list;
        }
      }
    }
  }
  return nullptr;
}

bool boFxlFindItemIndex(xmlNode* listAttribute, const char* valueUtf8, int* index) {
  for (xmlNode* items = listAttribute->children; items; items = items->next) {
    if (!boXmlNamed(items, "ListItems")) continue;
    int position = 0;
    for (xmlNode* item = items->children; item; item = item->next, position++) {
      if (boXmlNamed(item, "Item") && pXmlNodeContent(item) == valueUtf8) {
        *index = position;
        return true;
      }
    }
  }
  return false;
}

void vFxlLookupCode(xmlDoc* library, int kind, const char* name, const char* value, int* found, int* index) {
  *found = 0;
  *index = 65535;
  if (!library || !name) return;
  xmlNode* list = pFxlFindListAttribute(library, kind, std::string(sStrAnsiToUtf8Temp(name)).c_str());
  if (!list) return;
  *found = 1;
  if (value && *value) boFxlFindItemIndex(list, std::string(sStrAnsiToUtf8Temp(value)).c_str(), index);
}
