// The field-book module as a host sees it: the shared library loaded with
// dlopen and its functions found by name. The module's headers give only the
// functions' types here; every call goes through the loaded library.
#pragma once

#include <dlfcn.h>
#include <gtest/gtest.h>

#include "fieldbook/hostrec.h"
#include "fieldbook/lifecycle.h"
#include "fieldbook/model.h"
#include "fieldbook/project.h"
#include "fieldbook/stations.h"
#include "testing/tempdir.h"

inline void* pFbModule() {
  static void* handle = [] {
    void* h = dlopen(KVX_LIB_DIR "/libkvxfbio.so", RTLD_NOW | RTLD_LOCAL);
    if (!h) ADD_FAILURE() << "dlopen: " << dlerror();
    return h;
  }();
  return handle;
}

inline void* pFbSymbol(const char* name) {
  void* module = pFbModule();
  void* fn = module ? dlsym(module, name) : nullptr;
  if (!fn) {
    ADD_FAILURE() << "not exported: " << name;
    abort();  // a test cannot go on without the function
  }
  return fn;
}

// FB(boMboGetPointXY)(point, &x, &y): the exported function by its name.
#define FB(name) (reinterpret_cast<decltype(&::name)>(pFbSymbol(#name)))

// A host record as the host fills it.
inline MboHostRec FbHostRec() {
  MboHostRec rec{};
  rec.uVersion = MBO_HOST_REC_VERSION;
  return rec;
}

// Every test starts with an initialised field book and finishes it.
class FieldBook : public ::testing::Test {
 protected:
  void SetUp() override {
    host_ = FbHostRec();
    FB(vKvxMboInit)(&host_);
  }
  void TearDown() override { FB(vKvxMboFinish)(); }
  MboHostRec host_;
};

// ...with a folder of its own: the host's ini file in it, and the process's
// temporary folder pointed at it (side files land there).
class FieldBookFiles : public FieldBook {
 protected:
  void SetUp() override {
    tmp_.UseAsTemp();
    FieldBook::SetUp();
    snprintf(host_.sIniPath, sizeof host_.sIniPath, "%s", tmp_.Path("host.ini").c_str());
  }
  // A file of the folder written and its host path given.
  std::string Put(const std::string& name, const std::string& bytes) { return tmp_.Write(name, bytes); }
  kvxtest::TempDir tmp_;
  const std::string m_dir = tmp_.Path();
};
