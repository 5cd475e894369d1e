// Every function the module exports, in one place. The names are listed
// again, one a line, in exports.txt beside this header: the export tests of
// the Linux library and of the Windows DLL compare the export table with it,
// and a test checks that this header and the list agree.
//
// The host calls these as C functions. A `bo` result is a 32-bit BOOL that
// holds exactly 0 or 1 (a C++ bool is one byte: the rest of the result
// register would be whatever was there). Internal code may use bool freely.
#pragma once

#include <cstdint>

#include "base/kvxapi.h"
#include "fieldbook/hostrec.h"
#include "kv2gr.h"
#include "win32.h"

// ---- Life of the module (lifecycle.cpp) ----
KVX_API void vKvxMboInit(MboHostRec* host);
KVX_API void vKvxMboInitCoSysVer(uint64_t version);
KVX_API void vKvxMboSetOwnerHelpFilePath(const char* path);
KVX_API void vKvxMboFinish(void);

KVX_API PoPoints* pKvxMboPoPointsGet(void);
KVX_API LiLines* pKvxMboLiLinesGet(void);
KVX_API YgPolygons* pKvxMboYgPolygonsGet(void);
KVX_API TrNets* pKvxMboTrNetsGet(void);
KVX_API ViFields* pKvxMboPFieldsGet(void);
KVX_API ViFields* pKvxMboLFieldsGet(void);
KVX_API ViFields* pKvxMboYFieldsGet(void);
KVX_API ViFields* pKvxMboNFieldsGet(void);

// ---- Points, lines, polygons and nets (model.cpp) ----
KVX_API PoPoint* KvxMboNewPoint(const char* pid);
KVX_API PoPoint* KvxMboNewOrExistingPoint(const char* pid);
KVX_API LiLine* KvxMboNewLine(const char* objId);
KVX_API YgPolygon* KvxMboNewPolygon(const char* objId);
KVX_API TrNet* KvxMboNewTriangleNet(const char* objId);
KVX_API LiElm* KvxMboAddLineElmBefore(LiLine* line, const char* pid, LiElm* before);
KVX_API LiElm* KvxMboAddLineElm(LiLine* line, const char* pid);
KVX_API YgElm* KvxMboAddPolygonElm(YgPolygon* polygon, const char* pid);

KVX_API BOOL boMboGetPointXY(PoPoint* point, double* x, double* y);
KVX_API BOOL boMboGetPointZ(PoPoint* point, double* z);
KVX_API BOOL boMboGetPointXYprecalc(PoPoint* point);
KVX_API BOOL boMboGetPointZprecalc(PoPoint* point);
// The point's detail value (not a truth value, despite its prefix).
KVX_API int32_t boMboGetPointDetail(PoPoint* point);
KVX_API void vMboSetPointX(PoPoint* point, double x);
KVX_API void vMboSetPointY(PoPoint* point, double y);
KVX_API void vMboSetPointXY(PoPoint* point, double x, double y);
KVX_API void vMboSetPointZ(PoPoint* point, double z);
KVX_API void vMboSetPointXYprecalc(PoPoint* point, int precalc);
KVX_API void vMboSetPointZprecalc(PoPoint* point, int precalc);
KVX_API void vMboSetPointDetail(PoPoint* point, int32_t detail);
KVX_API const char* sMboGetPointPID(PoPoint* point);
KVX_API void vMboSetPointPID(PoPoint* point, const char* pid);

KVX_API BOOL boMboGetElmPID(LiLine* line, LiElm* elm, char* buf, int size);
KVX_API BOOL boMboGetElmXY(LiLine* line, LiElm* elm, double* x, double* y);
KVX_API BOOL boMboGetElmZ(LiLine* line, LiElm* elm, double* z);
KVX_API void vMboSetElmPID(LiLine* line, LiElm* elm, const char* pid);
KVX_API void vMboSetElmXY(LiLine* line, LiElm* elm, double x, double y);
KVX_API void vMboSetElmZ(LiLine* line, LiElm* elm, double z);

KVX_API const char* sMboGetLineObjID(LiLine* line);
KVX_API const char* sMboGetPolygonObjID(YgPolygon* polygon);
KVX_API const char* sMboGetTriangleNetObjID(TrNet* net);
KVX_API void vMboSetLineObjID(LiLine* line, const char* objId);
KVX_API void vMboSetPolygonObjID(YgPolygon* polygon, const char* objId);
KVX_API void vMboSetTriangleNetObjID(TrNet* net, const char* objId);

// ---- Stations and observations (stations.cpp) ----
// kind is 1, 2, 4 or 5; any other kind gives null or false.
KVX_API void* pMboAddSt(int kind);
KVX_API void* pMboAddObs(int kind, void* station);
KVX_API void* pMboGetNextSt(int kind, void* station);
KVX_API void* pMboGetNextObs(int kind, void* station, void* obs);
KVX_API BOOL boMboGetStAttr(int kind, void* station, int attr, char* buf, int size);
KVX_API BOOL boMboSetStAttr(int kind, void* station, int attr, const char* text);
KVX_API BOOL boMboGetObsAttr(int kind, void* station, void* obs, int attr, char* buf, int size);
KVX_API BOOL boMboSetObsAttr(int kind, void* station, void* obs, int attr, const char* text);

// ---- Project attributes (project.cpp) ----
// The stored text of the key (exact, case-sensitive), "DATE" in the host's
// date form; false for an unknown key. The buffer is emptied first.
KVX_API BOOL boMboGetProjectAttr(const char* key, char* buf, int size);
// Stores the text cut to the key's width; false for an unknown key.
KVX_API BOOL boMboSetProjectAttr(const char* key, const char* text);

// ---- Transfer dialogs (dialogs_transfer.cpp) ----
// The import dialog on the active window: fetch or pick the raw file,
// interpret it, Save. True only when it ended with Save; on Cancel the
// field book keeps what was read.
KVX_API BOOL boKvxMboRead(MboHostRec* host);
// The export dialog: create the raw file and transfer it. True when it
// ended with its OK button.
KVX_API BOOL boKvxMboWrite(MboHostRec* host);

// ---- Direct transfers (transfer.cpp) ----
// Reads the raw file at path as the instrument (0: by the extension, "xml"
// 29, "kof" 98, "vml" 100) into the field book, without a dialog.
KVX_API BOOL boKvxMboReadRawDirect(MboHostRec* host, int32_t instrument, const char* path);
// Writes the field book into the raw file at path as the instrument.
KVX_API BOOL boKvxMboWriteRawDirect(MboHostRec* host, uint32_t instrument, const char* path);
// The raw file the last direct call (or dialog) used, at most size-1
// characters; false for a null buffer or a size below 1.
KVX_API BOOL boMboGetLastReadRawFile(char* buffer, int32_t size);
