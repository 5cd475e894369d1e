// Leica DBX jobs are read through the maker's converter programs: HeXMLPC
// (catalogue entry 27, read as HeXML) and DBX2LandXML (entry 31, read as
// Leica LandXML). Both are found through their registered application
// paths; a program that is not registered gives NULL at once, without a
// message. The import waits for the program without a time limit: a
// converter that hangs holds the host.
#pragma once

#include <cstdint>

// The XML file HeXMLPC made of the DBX file (a scratch text), or NULL after
// a warning: an exit code other than 5 ("HeXMLPC - error %s" with the code's
// text), or no file written by this run.
char* sMboHeXmlConvertDbx(const char* sDbxPath);
// The XML file DBX2LandXML made of the DBX file, or NULL (a warning when it
// ran but wrote nothing: an older file of the same name is never taken).
char* sMboDbx2LandXmlConvert(const char* sDbxPath);
// Asks HeXMLPC for the job list of the DBX file's folder ("joblist.log" in
// the temporary folder) and finds the job of the file: the first line whose
// field 6 equals the file's name without folder and extension, ignoring
// case. True with the job name (field 0, quotes removed) and the geoid file
// (field 4).
bool boMboHeXmlFindJobName(const char* sProgram, const char* sDbxPath, char* sJob, int iJobSize, char* sGeoid,
                           int iGeoidSize);
// The matching of the job list, read through its handle (lines of up to 399
// characters, fields separated by ';').
bool boMboHeXmlParseJobList(uint32_t hList, const char* sBaseName, char* sJob, int iJobSize, char* sGeoid,
                            int iGeoidSize);
// Shows the text of a HeXMLPC exit code (empty beyond 23).
void vMboHeXmlShowError(unsigned int uExitCode);
