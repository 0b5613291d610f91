// shell-recorder: stands in for a PDF viewer in the shell tests.
// Usage: shell-recorder <record file> <document>; writes the document path,
// as the shell passed it, into the record file. Written under a temporary
// name and renamed, so a waiting test never reads half of it.
#include <windows.h>

#include <cstdio>
#include <string>

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  const std::string record = argv[1];
  const std::string temporary = record + ".tmp";
  FILE* file = std::fopen(temporary.c_str(), "wb");
  if (!file) return 1;
  const std::string document = argv[2];
  const bool written = std::fwrite(document.data(), 1, document.size(), file) == document.size();
  if (std::fclose(file) != 0 || !written) return 1;
  return MoveFileExA(temporary.c_str(), record.c_str(), MOVEFILE_REPLACE_EXISTING) ? 0 : 1;
}
