// A stand-in for the outside programs the module starts (the DBX
// converters): it records its arguments and does what the test's
// environment tells it.
//   KVX_STANDIN_LOG      file to append the arguments to, one per line, then "--"
//   KVX_STANDIN_JOBLIST  file copied to the path after /l
//   KVX_STANDIN_OUTPUT   file copied to the path after /o, or after @XML=
//   KVX_STANDIN_SLEEP_MS wait this long first
//   KVX_STANDIN_SIGNAL   end by this signal
//   KVX_STANDIN_EXIT     exit code (default 0)
// Paths it is given are Windows paths ('\'); it writes to their host form.
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>

#include <string>

namespace {

std::string HostPath(std::string p) {
  for (char& c : p)
    if (c == '\\') c = '/';
  return p;
}

void Copy(const char* from, const std::string& to) {
  if (!from) return;
  FILE* in = fopen(from, "rb");
  FILE* out = fopen(HostPath(to).c_str(), "wb");
  if (in && out) {
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, in)) > 0) fwrite(buf, 1, n, out);
  }
  if (in) fclose(in);
  if (out) fclose(out);
}

}  // namespace

int main(int argc, char** argv) {
  if (const char* log = getenv("KVX_STANDIN_LOG")) {
    if (FILE* f = fopen(log, "ab")) {
      for (int i = 1; i < argc; ++i) fprintf(f, "%s\n", argv[i]);
      fprintf(f, "--\n");
      fclose(f);
    }
  }
  if (const char* ms = getenv("KVX_STANDIN_SLEEP_MS")) {
    long n = atol(ms);
    struct timespec t = {n / 1000, (n % 1000) * 1000000L};
    nanosleep(&t, nullptr);
  }
  for (int i = 1; i < argc; ++i) {
    if (i + 1 < argc && strcmp(argv[i], "/l") == 0) Copy(getenv("KVX_STANDIN_JOBLIST"), argv[i + 1]);
    if (i + 1 < argc && strcmp(argv[i], "/o") == 0) Copy(getenv("KVX_STANDIN_OUTPUT"), argv[i + 1]);
    if (strncmp(argv[i], "@XML=", 5) == 0) Copy(getenv("KVX_STANDIN_OUTPUT"), argv[i] + 5);
  }
  if (const char* sig = getenv("KVX_STANDIN_SIGNAL")) {
    // The default action, so that a sanitizer's own handler does not turn
    // the signal into an abort.
    int s = atoi(sig);
    signal(s, SIG_DFL);
    raise(s);
  }
  const char* code = getenv("KVX_STANDIN_EXIT");
  return code ? atoi(code) : 0;
}
