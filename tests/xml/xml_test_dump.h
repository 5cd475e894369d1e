// The points of a field book as text, through kv2gr and the points' user
// data alone, so that the module linked in and the module loaded as a host
// loads it are dumped alike.
#pragma once

#include <string>

#include "base/text.h"
#include "fieldbook/model.h"
#include "kv2gr.h"

// One line per point: [ID] X Y Z (Z "-" when none), " xyP"/" zP" for
// precalculated values, the code, then every field that is set as
// name=value.
inline std::string sXmlTestDumpPoints(PoPoints* points) {
  std::string out;
  ViFields* fs = pViPFieldsGet(points);
  for (PoPoint* p = PoPointsGetFirst(points); p; p = PoPointsGetNext(points, p)) {
    const MboPointData* d = static_cast<const MboPointData*>(PoPointGetData(p));
    bool hasZ = d->uFlags & MBO_FLAG_Z;
    char buf[512];
    sStrPrintN(buf, (int)sizeof buf, "[%s] %.4f %.4f %s%s%s %s", d->sPid, dPoPointGetX(p), dPoPointGetY(p),
               hasZ ? sStrFormat("%.4f", dPoPointGetZ(p)) : "-", d->uFlags & MBO_FLAG_XY_MEASURED ? "" : " xyP",
               hasZ && !(d->uFlags & MBO_FLAG_Z_MEASURED) ? " zP" : "", sPoPointGetField(p));
    out += buf;
    for (int i = 0; i < iViFieldsGetCount(fs); i++) {
      const char* v = sViFieldsGetField(fs, p, i);
      if (*v) out += std::string(" ") + sViFieldsGetFieldName(fs, i) + "=" + v;
    }
    out += "\n";
  }
  return out;
}
