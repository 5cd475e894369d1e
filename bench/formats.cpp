// Every reader with a text or XML format and every writer, on files made
// here, each beside its floor measured in the same run: `mawk` (LC_ALL=C)
// splitting the same text file, `xmllint --noout` parsing the same XML
// file, and for a writer the reader of its output (or the Geodat writer on
// the same points where the output has no reader). Every run is a child
// process of its own, so that its processor time and peak memory are its
// alone; the best of a few runs counts.
//
// Counters: cpu_ns (per line, point or vertex, best run), floor_ns (the
// same for the floor), ratio (cpu_ns / floor_ns), peak_bytes (growth of the
// peak resident memory per line, point or vertex), points (read by the best
// run, a check that the file was understood).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "bench_host.h"
#include "fieldbook/api.h"
#include "kvxtest_msgbox.h"
#include "kvxtest_ui.h"

extern char** environ;

namespace {

// ---------------------------------------------------------------- files

const std::string& sDir() {
  static std::string dir = [] {
    std::string made = benchhost::Dir().string();
    // The files of 10^6 lines are large. Registered after the folder's
    // static, so that it runs before that goes.
    // KVX_BENCH_KEEP=1 keeps them for a profile of one reader afterwards.
    if (!getenv("KVX_BENCH_KEEP"))
      atexit([] { std::filesystem::remove_all(benchhost::Dir()); });
    else
      fprintf(stderr, "bench files kept in %s\n", made.c_str());
    return made;
  }();
  return dir;
}

// A line of fixed columns: texts placed at 1-based columns over blanks.
struct Cols {
  std::string s;
  Cols& at(int col, const std::string& text) {
    if (s.size() < (size_t)col - 1 + text.size()) s.resize((size_t)col - 1 + text.size(), ' ');
    s.replace((size_t)col - 1, text.size(), text);
    return *this;
  }
};

std::string sF(const char* fmt, ...) __attribute__((format(printf, 1, 2)));
std::string sF(const char* fmt, ...) {
  char buf[512];
  va_list ap;
  va_start(ap, fmt);
  vsnprintf(buf, sizeof buf, fmt, ap);
  va_end(ap);
  return buf;
}

// The place of point i: spread over a few kilometres, a height in 10..60.
double dNorth(int64_t i) { return 6600000.0 + (double)(i % 9973) * 0.731 + (double)(i / 9973) * 0.013; }
double dEast(int64_t i) { return 500000.0 + (double)(i % 7919) * 1.377; }
double dHeight(int64_t i) { return 10.0 + (double)(i % 5003) * 0.01; }

// A text file of about n lines: a head, then one record group per point
// until n lines are written. Lines end in CR LF.
struct TextFile {
  FILE* f;
  int64_t lines = 0;
  void put(const std::string& line) {
    fputs(line.c_str(), f);
    fputs("\r\n", f);
    lines++;
  }
};
using GenFn = void (*)(TextFile& t, int64_t n);

// One generator per format.

void vGenGeodat(TextFile& t, int64_t n) {
  t.put("90=1");
  for (int64_t i = 0; t.lines < n; i++) {
    if (i % 100 == 0) t.put(sF("91=%lld", (long long)(i / 100 + 1)));
    int64_t name = i % 10 == 9 ? i - 1 : i;  // every tenth name repeated
    t.put(sF("5=%lld", (long long)name));
    t.put(i % 3 ? "4=KUM" : "4=VEG");
    t.put(sF("37=%.3f", dNorth(i)));
    t.put(sF("38=%.3f", dEast(i)));
    t.put(sF("39=%.3f", dHeight(i)));
  }
}

void vGenKof(TextFile& t, int64_t n) {
  t.put(" 01 BENCH        01.02.2024                             OLA NORD");
  for (int64_t i = 0; t.lines < n; i++) {
    if (i % 100 == 0) t.put(" 09 91        VEG");
    t.put(Cols{}
              .at(2, "05")
              .at(5, sF("P%lld", (long long)i))
              .at(16, i % 3 ? "KUM" : "VEG")
              .at(26, sF("%.3f", dNorth(i)))
              .at(39, sF("%.3f", dEast(i)))
              .at(52, sF("%.3f", dHeight(i)))
              .s);
    if (i % 100 == 99) t.put(" 09 99");
  }
}

// SDR33 and the Trimble data collectors share the record layout; the
// observation record's type differs (09 and 79).
void vGenSdrLike(TextFile& t, int64_t n, const char* obsType) {
  for (int64_t i = 0; t.lines < n; i++) {
    if (i % 1000 == 0)
      t.put(Cols{}
                .at(1, sF("02TPS%lld", (long long)(i / 1000)))
                .at(21, sF("%.3f", dNorth(i)))
                .at(37, sF("%.3f", dEast(i)))
                .at(53, sF("%.3f", dHeight(i)))
                .at(69, "1.600")
                .at(85, "STN")
                .s);
    if (i % 2)
      t.put(Cols{}
                .at(1, sF("08KIP%lld", (long long)i))
                .at(21, sF("%.3f", dNorth(i)))
                .at(37, sF("%.3f", dEast(i)))
                .at(53, sF("%.3f", dHeight(i)))
                .at(69, "KUM")
                .s);
    else
      t.put(Cols{}
                .at(1, sF("%sF1S%lld", obsType, (long long)(i / 1000)))
                .at(21, sF("P%lld", (long long)i))
                .at(37, sF("%.3f", 10.0 + (double)(i % 997) * 0.1))
                .at(53, sF("%.4f", 95.0 + (double)(i % 89) * 0.01))
                .at(69, sF("%.4f", (double)(i % 3989) * 0.1))
                .at(85, "TREE")
                .s);
  }
}

void vGenSdr33(TextFile& t, int64_t n) {
  t.put("00NMSDR33 V04-04.02    06-Dec-26 23:59 113111");
  t.put("05  1013            20              ");
  vGenSdrLike(t, n, "09");
}

void vGenTrimbleDc(TextFile& t, int64_t n) {
  t.put("00NMSC V10-00        0000");
  t.put("10NMJOBNAME         121111");
  t.put("05  1013            20              ");
  vGenSdrLike(t, n, "79");
}

void vGenGts800(TextFile& t, int64_t n) {
  t.put("JOB BENCH");
  t.put("UNITS M,G");
  for (int64_t i = 0; t.lines < n; i++) {
    if (i % 1000 == 0) {
      t.put(sF("STN S%lld,1.600,TOP", (long long)(i / 1000)));
      t.put(sF("XYZ %.3f,%.3f,%.3f", dNorth(i), dEast(i), dHeight(i)));
    }
    if (i % 2) {
      t.put(sF("P%lld,%.3f,%.3f,%.3f,KUM", (long long)i, dNorth(i), dEast(i), dHeight(i)));
    } else {
      t.put(sF("SS P%lld,1.500,TREE", (long long)i));
      t.put(sF("SD %.4f,%.4f,%.3f", (double)(i % 3989) * 0.1, 95.0 + (double)(i % 89) * 0.01,
               10.0 + (double)(i % 997) * 0.1));
    }
  }
}

// Leica GSI8 (digits 8) and GSI16: a station block every 500 lines, then
// coordinate records (81, 82, 83, every tenth with a code word) and
// observations (21, 22, 31, 87) by turns.
std::string sGsiWord(const char* wi, long long value, int digits) {
  return sF("%s%c%0*lld ", wi, value < 0 ? '-' : '+', digits, value < 0 ? -value : value);
}

void vGenGsi(TextFile& t, int64_t n, int digits) {
  for (int64_t i = 0; t.lines < n; i++) {
    std::string line = digits == 16 ? "*" : "";
    long long no = (long long)(i % 10000);
    if (i % 500 == 0) {
      line += sF("41%04lld", no) + sGsiWord("", 10, digits);
      line += sF("42....+%0*lld ", digits, (long long)(900000 + i / 500)) + sGsiWord("43....", 1600, digits);
    } else if (i % 2) {
      line += sF("11%04lld", no) + sGsiWord("", i, digits) + sGsiWord("81..10", 500000000 + i * 125, digits);
      line += sGsiWord("82..10", 6600000000 + (i % 1000) * 500, digits) + sGsiWord("83..10", 10000 + i % 5000, digits);
      if (i % 10 == 1) line += sF("71....+%0*d ", digits, 42);
    } else {
      line += sF("11%04lld", no) + sGsiWord("", i, digits) + sGsiWord("21.322", (i * 7919) % 40000000, digits);
      line += sGsiWord("22.322", 9000000 + i % 2000000, digits) + sGsiWord("31..00", 5000 + i % 100000, digits);
      line += sGsiWord("87..10", 1500 + i % 3 * 100, digits);
    }
    t.put(line);
  }
}

void vGenGsi8(TextFile& t, int64_t n) { vGenGsi(t, n, 8); }
void vGenGsi16(TextFile& t, int64_t n) { vGenGsi(t, n, 16); }

// Topcon FC1/2, one record group a line: a station every 500 lines, then
// observations (target height, slope distance with both angles) and
// coordinate records by turns. Angles packed DDDMMSS.
long long lFcAngle(int64_t i, int degrees) {
  return (long long)((i * 37) % degrees) * 10000 + (i % 60) * 100 + (i * 7) % 60;
}

void vGenTopconFc(TextFile& t, int64_t n) {
  for (int64_t i = 0; t.lines < n; i++) {
    long long k = (long long)i;
    if (i % 500 == 0)
      t.put(sF("_'ST%lld_)1.600", k));
    else if (i % 2)
      t.put(sF("_+%lld_,1.500_?+%08lldm%07lld%07lld", k, 5000 + k % 100000, lFcAngle(i, 180), lFcAngle(i, 360)));
    else
      t.put(sF("_+%lld_f+%09lld_g+%09lld_h-%09lld", k, 100000000 + k, 2000 + k, k % 50000));
  }
}

void vGenNikon(TextFile& t, int64_t n) {
  t.put("CO,Nikon RAW data format V2.00");
  for (int64_t i = 0; t.lines < n; i++) {
    if (i % 1000 == 0) t.put(sF("1,0,MG,S%lld,STN,1.600", (long long)(i / 1000)));
    if (i % 2)
      t.put(sF("1,1,MG,P%lld,KUM,%.3f,%.3f,%.3f", (long long)i, dNorth(i), dEast(i), dHeight(i)));
    else
      t.put(sF("1,2,MG,P%lld,TREE,%.3f,%.4f,%.4f,1.500", (long long)i, 10.0 + (double)(i % 997) * 0.1,
               (double)(i % 3989) * 0.1, 95.0 + (double)(i % 89) * 0.01));
  }
}

void vGenRec500(TextFile& t, int64_t n) {
  t.put("A  header line");
  for (int64_t i = 0; t.lines < n; i++) {
    if (i % 1000 == 0)
      t.put(Cols{}.at(9, sF("S%lld", (long long)(i / 1000))).at(29, "1.600").at(37, "TR1013").at(52, "ST").s);
    if (i % 2)
      t.put(Cols{}
                .at(9, sF("K%lld", (long long)i))
                .at(19, "KUM")
                .at(37, "X")
                .at(39, sF("%.3f", dNorth(i)))
                .at(52, "Y")
                .at(54, sF("%.3f", dEast(i)))
                .at(68, "Z")
                .at(70, sF("%.3f", dHeight(i)))
                .s);
    else
      t.put(Cols{}
                .at(9, sF("P%lld", (long long)i))
                .at(29, "1.500")
                .at(39, sF("%.3f", 10.0 + (double)(i % 997) * 0.1))
                .at(52, sF("Hz%.4f", (double)(i % 3989) * 0.1))
                .at(70, sF("%.4f", 95.0 + (double)(i % 89) * 0.01))
                .s);
  }
}

void vGenM5(TextFile& t, int64_t n) {
  for (int64_t i = 0; t.lines < n; i++) {
    std::string block = sF("%-27s", sF("           %-8lldKUM", (long long)i).c_str());
    t.put(sF("For M5|Adr %5lld|PI3 %s|X  %14.4f m   |Y  %14.4f m   |Z  %14.4f m   | ", (long long)(i % 100000),
             block.c_str(), dNorth(i) - 6600000.0, dEast(i) - 500000.0, dHeight(i)));
  }
}

void vGenSbg(TextFile& t, int64_t n) {
  for (const char* l : {"FileHeader 1,\"x\"", "begin", "  Version 3", "end", "InmStnList", "begin"}) t.put(l);
  for (int64_t i = 0; t.lines < n - 1; i++) {
    if (i % 1000 == 0) {
      if (i) t.put("  end");
      t.put(sF("  InmStation \"S%lld\",1.550,a,b,c,d,e,f,g,h,i,j,k,l,m,n,293.15,101325", (long long)(i / 1000)));
      t.put("  InmRecordList");
      t.put("  begin");
    }
    t.put(sF("    InmRecord 4,\"P%lld\",KUM,x,y,%.3f,%.10f,%.10f,1.7,0.0", (long long)i, 10.0 + (double)(i % 997) * 0.1,
             (double)(i % 3989) * 0.001, 1.5 + (double)(i % 89) * 0.001));
  }
  t.put("  end");
  t.put("end");
}

void vGenKern(TextFile& t, int64_t n) {
  t.put("1 OLA NORDMANN             06122026 123456 CHECK   RUN");
  for (int64_t i = 0; t.lines < n; i++) {
    if (i % 1000 == 0)
      t.put(Cols{}.at(1, "2").at(3, sF("S%lld", (long long)(i / 1000))).at(26, "1.600").at(33, "20").at(37, "1013").s);
    t.put(Cols{}
              .at(1, "3")
              .at(3, sF("P%lld", (long long)i))
              .at(49, "TREE")
              .at(80, "1.500")
              .at(101, sF("%07lld", (long long)(i % 3989) * 100))
              .at(110, sF("%.4f", 95.0 + (double)(i % 89) * 0.01))
              .at(119, sF("%.3f", 10.0 + (double)(i % 997) * 0.1))
              .s);
  }
}

void vGenDiNi10(TextFile& t, int64_t n) {
  t.put("DiNi10 levelling job BENCH");
  for (int64_t i = 0; t.lines < n; i++)
    t.put(Cols{}
              .at(1, "Adr")
              .at(9, sF("TP%lld", (long long)(i / 2)))
              .at(17, "K1")
              .at(35, sF("%lld", (long long)(i / 2 % 10 + 1)))
              .at(37, i % 2 ? "Rf" : "Rb")
              .at(44, sF("%.5f", 0.5 + (double)(i % 197) * 0.01))
              .at(61, sF("%.3f", 10.0 + (double)(i % 31)))
              .s);
}

void vGenDl101(TextFile& t, int64_t n) {
  t.put("H,DL101 header,");
  for (int64_t i = 0; t.lines < n; i++) {
    if (i % 100 == 0) t.put("a,11,0,0,0,0,KODE1,");
    t.put(sF("%c,12,%05lld,2500,0,0,0,TP%lld,", i % 2 ? 'i' : 'g', (long long)(i % 89999 + 10000), (long long)(i / 2)));
    if (i % 100 == 99) t.put("t,end of set,");
  }
}

void vGenPumatec(TextFile& t, int64_t n) {
  for (int64_t i = 0; t.lines < n; i++) {
    if (i % 1000 == 0) t.put(Cols{}.at(1, "STN").at(19, sF("S%lld", (long long)(i / 1000))).at(72, "1.55").s);
    t.put(Cols{}
              .at(1, "KUM")
              .at(29, sF("P%lld", (long long)i))
              .at(41, sF("%.4f", (double)(i % 3989) * 0.1))
              .at(51, sF("%.4f", 95.0 + (double)(i % 89) * 0.01))
              .at(61, sF("%.3f", 10.0 + (double)(i % 997) * 0.1))
              .at(71, "1.70")
              .s);
  }
}

// The coordinate file of the pair, read alone (its PTO is missing, which the
// reader reports once): code with a control field now and then, name, north,
// east, height, and a radius on every 50th point.
void vGenPumatecPtc(TextFile& t, int64_t n) {
  for (int64_t i = 0; t.lines < n; i++) {
    Cols c;
    c.at(1, i % 100 < 50 ? "GRS" : "VEG");
    if (i % 100 == 0) c.at(11, "L7");
    c.at(17, sF("C%lld", (long long)i))
        .at(29, sF("%.3f", 6600000.0 + (double)(i % 99991) * 0.01))
        .at(41, sF("%.2f", 500000.0 + (double)(i % 9973) * 0.1))
        .at(51, sF("%.3f", 12.0 + (double)(i % 997) * 0.01));
    if (i % 50 == 49) c.at(61, "25.5");
    t.put(c.s);
  }
}

// The vector of point i from its base.
double dVec(int64_t i, int axis) { return (double)((i * (axis + 3)) % 20011) * 0.0137 - 120.0; }

void vGenGpsLeica(TextFile& t, int64_t n) {
  t.put("@%Unit: M");
  t.put("@%Coordinate type: cartesian");
  t.put("@+BASE1");
  for (int64_t i = 0; t.lines < n; i++) {
    t.put(sF("@-P%-18lld %14.6f %14.6f %14.6f", (long long)i, dVec(i, 0), dVec(i, 1), dVec(i, 2)));
    t.put("@= 2.0 0.0004 0.0001 0.00005 0.0009 0.0002 0.0016");
  }
}

void vGenGpsTgo(TextFile& t, int64_t n) {
  for (const char* l : {"[General]", "Units=Metres", "[Stations]", "B1=1,2,3", "[GPS]"}) t.put(l);
  for (int64_t i = 0; t.lines < n; i++)
    t.put(sF("Vector=x:y:B1:T%lld:%.6f:%.6f:%.6f:0.0004:0.0001:0.0002:0.0009:0.0003:0.0016:1.5:1.25", (long long)i,
             dVec(i, 0), dVec(i, 1), dVec(i, 2)));
}

void vGenGpsGeolab(TextFile& t, int64_t n) {
  t.put(" TITLE bench");
  for (int64_t i = 0; t.lines < n; i++) {
    t.put(sF(" cADXYZ A1 B%lld %.6f %.6f %.6f", (long long)i, dVec(i, 0), dVec(i, 1), dVec(i, 2)));
    t.put(" ELEM 0.0004 0.0001 0.0002");
    t.put("      0.0009 0.0003");
    t.put("      0.0016");
  }
}

void vGenGpsMagellan(TextFile& t, int64_t n) {
  t.put("H header");
  for (int64_t i = 0; t.lines < n; i++) {
    t.put(sF("G1 BASE-R%lld %.6f %.6f %.6f", (long long)i, dVec(i, 0), dVec(i, 1), dVec(i, 2)));
    t.put("G2 0.0004 0.0009 0.0016");
    t.put("G3 0.0001 0.0002 0.0003");
  }
}

void vGenVml(TextFile& t, int64_t n) {
  t.put("X\tY\tZ\tName\tCode\tLayer\tIgnored\tc7\tH.Ref\tc9\tc10\tStatus");
  for (int64_t i = 0; t.lines < n; i++)  // two-point lines: a Start and an End of one H.Ref
    t.put(sF("%.3f\t%.3f\t%.3f\tA%lld\tKANT\troad\t\t\tR%lld\t\t\t%s", dEast(i), dNorth(i), dHeight(i), (long long)i,
             (long long)(i / 2), i % 2 ? "End" : "Start"));
}

// ---------------------------------------------------------------- XML files

void vLandXmlHead(TextFile& t) {
  t.put("<?xml version=\"1.0\" encoding=\"UTF-8\"?>");
  t.put("<LandXML xmlns=\"http://www.landxml.org/schema/LandXML-1.2\" version=\"1.2\">");
  t.put(
      "<Units><Metric linearUnit=\"meter\" areaUnit=\"squareMeter\" volumeUnit=\"cubicMeter\" "
      "angularUnit=\"grads\" temperatureUnit=\"celsius\" pressureUnit=\"HPA\"/></Units>");
}

void vCgPoints(TextFile& t, int64_t n, const char* prefix) {
  t.put("<CgPoints>");
  for (int64_t i = 0; i < n; i++)
    t.put(sF("<CgPoint name=\"%s%lld\" code=\"K%lld\">%.3f %.3f %.3f</CgPoint>", prefix, (long long)i,
             (long long)(i % 37), dNorth(i), dEast(i), dHeight(i)));
  t.put("</CgPoints>");
}

void vGenLandXml(TextFile& t, int64_t n) {
  vLandXmlHead(t);
  vCgPoints(t, n, "");
  t.put("</LandXML>");
}

// n GPS positions, each in a GPSSetup of its own, with its HeXML quality.
void vGenHeXmlGps(TextFile& t, int64_t n) {
  vLandXmlHead(t);
  vCgPoints(t, n, "G");
  t.put("<Survey>");
  for (int64_t i = 0; i < n; i++)
    t.put(
        sF("<GPSSetup id=\"GS%lld\" stationName=\"B\"><GPSPosition><TargetPoint pntRef=\"G%lld\"/>"
           "<GPSQCInfoLevel2 covarianceXX=\"1\" covarianceXY=\"0\" covarianceXZ=\"0\" covarianceYY=\"1\" "
           "covarianceYZ=\"0\" covarianceZZ=\"1\"/></GPSPosition></GPSSetup>",
           (long long)i, (long long)i));
  t.put("</Survey>");
  t.put("<HexagonLandXML xmlns=\"http://xml.hexagon.com/schema/HeXML-1.3\">");
  t.put("<Survey>");
  for (int64_t i = 0; i < n; i++)
    t.put(
        sF("<GPSSetup uniqueID=\"GS%lld\"><GPSPosition targetPntRef=\"G%lld\"><GPSQuality PDOP=\"1.5\" "
           "HDOP=\"0.9\"/><SatelliteInfo GPSSatUsed=\"8\" GLONASSSatUsed=\"5\"/></GPSPosition></GPSSetup>",
           (long long)i, (long long)i));
  t.put("</Survey>");
  t.put("</HexagonLandXML>");
  t.put("</LandXML>");
}

void vGenJobXml(TextFile& t, int64_t n) {
  t.put("<?xml version=\"1.0\" encoding=\"UTF-8\"?>");
  t.put("<JOBFile jobName=\"bench\" version=\"5.6\">");
  t.put("<FieldBook/>");
  t.put("<Reductions>");
  for (int64_t i = 0; i < n; i++)
    t.put(
        sF("<Point><ID>%llx</ID><Name>P%lld</Name><Code>K%lld</Code><SurveyMethod>KeyedIn</SurveyMethod>"
           "<Grid><North>%.3f</North><East>%.3f</East><Elevation>%.3f</Elevation></Grid></Point>",
           (long long)i, (long long)i, (long long)(i % 37), dNorth(i), dEast(i), dHeight(i)));
  t.put("</Reductions>");
  t.put("</JOBFile>");
}

void vGenMaXml(TextFile& t, int64_t n) {
  t.put("<?xml version=\"1.0\" encoding=\"UTF-8\"?>");
  t.put("<MAXML version=\"1.0\">");
  t.put("<PlanEntities>");
  for (int64_t i = 0; i < n; i++)
    t.put(
        sF("<DesignPoint id=\"e%lld\"><Station><Name>P%lld</Name><Position><NEH><North>%.3f</North>"
           "<East>%.3f</East><Height>%.3f</Height></NEH></Position></Station></DesignPoint>",
           (long long)i, (long long)i, dNorth(i), dEast(i), dHeight(i)));
  t.put("</PlanEntities>");
  t.put("</MAXML>");
}

// The file of a generator and size, made once.
const std::string& sFile(GenFn gen, const char* ext, int64_t n) {
  static std::map<std::pair<GenFn, int64_t>, std::string> files;
  auto it = files.find({gen, n});
  if (it != files.end()) return it->second;
  std::string path = sDir() + "/f" + std::to_string(files.size()) + "_" + std::to_string(n) + "." + ext;
  TextFile t{fopen(path.c_str(), "wb")};
  if (!t.f) abort();
  gen(t, n);
  fclose(t.f);
  return files[{gen, n}] = path;
}

// ---------------------------------------------------------------- runs

MboHostRec* pHost() {
  static MboHostRec host = [] {
    MboHostRec h{};
    h.uVersion = MBO_HOST_REC_VERSION;
    snprintf(h.sIniPath, sizeof h.sIniPath, "%s/host.ini", sDir().c_str());
    // The M5 reader's and writer's columns of the point ID and code.
    FILE* f = fopen(h.sIniPath, "wb");
    if (f) fputs("[KvxMbo]\r\nZeissM5PI=0,2, 2,1, 3,4, 7,4, 11,8, 19,8, PI=3\r\n", f);
    if (f) fclose(f);
    return h;
  }();
  return &host;
}

void vPressOk(HWND dialog) { SendMessageA(dialog, WM_COMMAND, IDOK, 0); }

struct RunResult {
  bool ok = false;
  double cpu = 0;      // seconds of processor time, user and system
  double peak = 0;     // bytes the peak resident set grew by
  int64_t points = 0;  // in the field book after the timed step
};

double dSeconds(const timeval& tv) { return (double)tv.tv_sec + 1e-6 * (double)tv.tv_usec; }
double dCpu(const rusage& ru) { return dSeconds(ru.ru_utime) + dSeconds(ru.ru_stime); }

long iRssBytes() {
  long pages = 0, rss = 0;
  FILE* f = fopen("/proc/self/statm", "r");
  if (f && fscanf(f, "%ld %ld", &pages, &rss) != 2) rss = 0;
  if (f) fclose(f);
  return rss * sysconf(_SC_PAGESIZE);
}

// Runs prepare() and then timed() in a child process of a fresh module; the
// figures are timed()'s alone.
RunResult Child(const std::function<bool()>& prepare, const std::function<bool()>& timed) {
  int fds[2];
  if (pipe(fds) != 0) abort();
  fflush(nullptr);
  pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    kvxTestSetMsgBoxHook(benchhost::iQuietBox, nullptr);
    kvxUiSetModalHook(vPressOk);
    vKvxMboInit(pHost());
    RunResult r;
    if (prepare()) {
      rusage r0, r1;
      long rss0 = iRssBytes();
      getrusage(RUSAGE_SELF, &r0);
      r.ok = timed();
      getrusage(RUSAGE_SELF, &r1);
      r.cpu = dCpu(r1) - dCpu(r0);
      r.peak = (double)r1.ru_maxrss * 1024.0 - (double)rss0;
      r.points = iPoPointsGetCount(pKvxMboPoPointsGet());
    }
    if (write(fds[1], &r, sizeof r) != (ssize_t)sizeof r) _exit(2);
    _exit(0);
  }
  close(fds[1]);
  RunResult r;
  if (read(fds[0], &r, sizeof r) != (ssize_t)sizeof r) r.ok = false;
  close(fds[0]);
  waitpid(pid, nullptr, 0);
  return r;
}

// An outside program on a file: its processor time.
RunResult Program(std::vector<std::string> args, const std::string& path) {
  args.push_back(path);
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  std::vector<std::string> env = {"LC_ALL=C", "PATH=/usr/bin:/bin"};
  std::vector<char*> envp = {env[0].data(), env[1].data(), nullptr};
  posix_spawn_file_actions_t fa;
  posix_spawn_file_actions_init(&fa);
  posix_spawn_file_actions_addopen(&fa, 1, "/dev/null", O_WRONLY, 0);
  pid_t pid;
  RunResult r;
  if (posix_spawnp(&pid, argv[0], &fa, nullptr, argv.data(), envp.data()) == 0) {
    int status = 0;
    rusage ru;
    wait4(pid, &status, 0, &ru);
    r.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    r.cpu = dCpu(ru);
  }
  posix_spawn_file_actions_destroy(&fa);
  return r;
}

RunResult Mawk(const std::string& path) { return Program({"mawk", "{n+=NF} END{print n}"}, path); }
RunResult Xmllint(const std::string& path) { return Program({"xmllint", "--noout"}, path); }

bool boRead(int instrument, const std::string& path) {
  return boKvxMboReadRawDirect(pHost(), instrument, path.c_str()) != 0;
}
bool boWrite(int instrument, const std::string& path) {
  remove(path.c_str());  // no overwrite question
  return boKvxMboWriteRawDirect(pHost(), (uint32_t)instrument, path.c_str()) != 0;
}

// The best of `runs` runs of each.
RunResult Best(int runs, const std::function<RunResult()>& run) {
  RunResult best;
  for (int i = 0; i < runs; i++) {
    RunResult r = run();
    if (!r.ok) return r;
    if (!best.ok || r.cpu < best.cpu) best = r;
  }
  return best;
}

int iRuns(int64_t n) { return n >= 1000000 ? 2 : 3; }

void vReport(benchmark::State& state, const RunResult& r, const RunResult& floor, int64_t n) {
  if (!r.ok || !floor.ok) {
    state.SkipWithError(!r.ok ? "run failed" : "floor failed");
    return;
  }
  state.SetIterationTime(r.cpu);
  state.counters["cpu_ns"] = r.cpu * 1e9 / (double)n;
  state.counters["floor_ns"] = floor.cpu * 1e9 / (double)n;
  state.counters["ratio"] = floor.cpu > 0 ? r.cpu / floor.cpu : 0;
  state.counters["peak_bytes"] = r.peak / (double)n;
  state.counters["points"] = (double)r.points;
}

// ---------------------------------------------------------------- readers

struct ReaderCase {
  const char* name;
  int instrument;
  GenFn gen;
  const char* ext;
  bool xml;
};

const ReaderCase g_aReaders[] = {
    {"Geodat", 10, vGenGeodat, "are", false},
    {"Kof", 98, vGenKof, "kof", false},
    {"Sdr33", 63, vGenSdr33, "sdr", false},
    {"TrimbleDc", 64, vGenTrimbleDc, "dc", false},
    {"Gsi8", 95, vGenGsi8, "gsi", false},
    {"Gsi16", 95, vGenGsi16, "gsi", false},
    {"TopconFc", 72, vGenTopconFc, "fc", false},
    {"Gts800", 73, vGenGts800, "txt", false},
    {"Nikon", 67, vGenNikon, "raw", false},
    {"Rec500", 22, vGenRec500, "rec", false},
    {"M5", 24, vGenM5, "m5", false},
    {"Sbg", 101, vGenSbg, "plm", false},
    {"Kern", 42, vGenKern, "kern", false},
    {"DiNi10", 81, vGenDiNi10, "dat", false},
    {"Dl101", 82, vGenDl101, "dl", false},
    {"Pumatec", 99, vGenPumatec, "pto", false},
    {"PumatecPtc", 99, vGenPumatecPtc, "ptc", false},
    {"GpsLeicaAscii", 50, vGenGpsLeica, "asc", false},
    {"GpsTgo", 51, vGenGpsTgo, "txt", false},
    {"GpsGeolab", 53, vGenGpsGeolab, "iob", false},
    {"GpsMagellan", 55, vGenGpsMagellan, "txt", false},
    {"Vml", 100, vGenVml, "vml", false},
    {"LandXml", 25, vGenLandXml, "xml", true},
    {"HeXmlGps", 29, vGenHeXmlGps, "xml", true},
    {"JobXml", 30, vGenJobXml, "jxl", true},
    {"MaXml", 74, vGenMaXml, "mxl", true},
};

// n: lines of a text file, points (or GPS positions) of an XML file.
void BM_Read(benchmark::State& state, const ReaderCase* c) {
  const int64_t n = state.range(0);
  const std::string& path = sFile(c->gen, c->ext, n);
  for (auto _ : state) {
    RunResult r =
        Best(iRuns(n), [&] { return Child([] { return true; }, [&] { return boRead(c->instrument, path); }); });
    RunResult floor = Best(iRuns(n), [&] { return c->xml ? Xmllint(path) : Mawk(path); });
    vReport(state, r, floor, n);
  }
}

// ---------------------------------------------------------------- writers

struct WriterCase {
  const char* name;
  int instrument;
  int reader;  // of its output; 0: beside the Geodat writer
};

const WriterCase g_aWriters[] = {
    {"Geodat", 10, 10},       {"Rec500", 22, 22},        {"Sdr33", 63, 63},
    {"Gts800", 73, 73},       {"Psion", 21, 0},          {"Kern", 42, 42},
    {"Nikon", 67, 67},        {"Kof", 98, 98},           {"M5", 24, 0},
    {"TrimbleDc77", 64, 64},  {"TrimbleDc10", 65, 65},   {"LandXml", 25, 25},
    {"LeicaLandXml", 26, 26}, {"TrimbleLandXml", 28, 0}, {"HeXml", 29, 29},
    {"JobXml", 30, 30},
};

// Points of the Geodat file of about 5n lines (n points) in the field book.
bool boLoadPoints(int64_t n) { return boRead(10, sFile(vGenGeodat, "are", 5 * n)); }

void BM_Write(benchmark::State& state, const WriterCase* c) {
  const int64_t n = state.range(0);
  std::string out = sDir() + "/written_" + c->name;
  std::string floorOut = sDir() + "/written_floor";
  for (auto _ : state) {
    auto prepare = [&] { return boLoadPoints(n); };
    RunResult r = Best(iRuns(n), [&] { return Child(prepare, [&] { return boWrite(c->instrument, out); }); });
    RunResult floor = Best(iRuns(n), [&] {
      if (c->reader) return Child([] { return true; }, [&] { return boRead(c->reader, out); });
      return Child(prepare, [&] { return boWrite(10, floorOut); });
    });
    vReport(state, r, floor, n);
    state.counters["points"] = (double)(c->reader ? floor.points : r.points);
  }
}

// One line of n vertices: named points, or vertices with coordinates and no
// point (these get theirs in the vertex-ID step of writers that need one).
bool boOneLine(int64_t n, bool named) {
  LiLine* line = KvxMboNewLine("L1");
  for (int64_t i = 0; i < n; i++) {
    std::string id = named ? sF("P%lld", (long long)i) : "";
    if (named) {
      PoPoint* p = KvxMboNewPoint(id.c_str());
      vMboSetPointXY(p, dEast(i), dNorth(i));
      vMboSetPointZ(p, dHeight(i));
    }
    LiElm* e = KvxMboAddLineElm(line, id.c_str());
    if (!e) return false;
    if (!named) {
      vMboSetElmXY(line, e, dEast(i), dNorth(i));
      vMboSetElmZ(line, e, dHeight(i));
    }
  }
  return true;
}

// The floor of a line's write: the same write at a tenth of the vertices,
// times ten (a linear writer's ratio is about 1).
void BM_WriteLine(benchmark::State& state, const WriterCase* c, bool named) {
  const int64_t n = state.range(0);
  std::string out = sDir() + "/line_" + c->name;
  for (auto _ : state) {
    auto run = [&](int64_t k) {
      return Child([&] { return boOneLine(k, named); }, [&] { return boWrite(c->instrument, out); });
    };
    RunResult r = Best(2, [&] { return run(n); });
    RunResult tenth = Best(2, [&] { return run(n / 10); });
    tenth.cpu *= 10;
    vReport(state, r, tenth, n);
  }
}

const int kRegistered = [] {
  for (const ReaderCase& c : g_aReaders) {
    auto* b = benchmark::RegisterBenchmark((std::string("Read/") + c.name).c_str(), BM_Read, &c);
    if (c.instrument == 29)
      b->Arg(1000)->Arg(4000)->Arg(10000)->Arg(100000);
    else if (c.xml)
      b->Arg(100000)->Arg(1000000);
    else
      b->Arg(10000)->Arg(100000)->Arg(1000000);
    b->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);
  }
  for (const WriterCase& c : g_aWriters)
    benchmark::RegisterBenchmark((std::string("Write/") + c.name).c_str(), BM_Write, &c)
        ->Arg(100000)
        ->Arg(1000000)
        ->Iterations(1)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
  for (const WriterCase& c : g_aWriters)
    benchmark::RegisterBenchmark((std::string("WriteLine/") + c.name).c_str(), BM_WriteLine, &c, true)
        ->Arg(10000)
        ->Arg(100000)
        ->Iterations(1)
        ->UseManualTime()
        ->Unit(benchmark::kMillisecond);
  for (const WriterCase& c : g_aWriters)
    if (c.instrument == 29)
      benchmark::RegisterBenchmark((std::string("WriteUnnamedLine/") + c.name).c_str(), BM_WriteLine, &c, false)
          ->Arg(10000)
          ->Arg(100000)
          ->Iterations(1)
          ->UseManualTime()
          ->Unit(benchmark::kMillisecond);
  return 0;
}();

}  // namespace
