#pragma once
// A DLL that Windows does not always take from the system folder (WinInet,
// CNG) or that the plug-in loads only when it needs it (comdlg32, shell32),
// loaded from there and nowhere else: a file of the same name beside the
// host's executable never gets into the host's process. No process-wide
// setting of the host's is changed.
#include <windows.h>

#include <string>

#include "platform/win32/Win32Handles.h"

namespace qalo {

class SystemLibrary {
 public:
  // How long the library stays. Owner: as long as this object, one run or
  // one dialog. Process: for the life of the host's process (pinned), for a
  // library whose own background work may outlive the calls into it and
  // that every run needs again; a host that frees and loads the plug-in
  // around every use then holds one copy, loaded once.
  enum class Lifetime { Owner, Process };

  // Loads name ("wininet.dll") from the system folder. On failure the
  // library is not usable and the thread's last error says why.
  SystemLibrary(const char* name, Lifetime lifetime);

  // Sets fn to the library's function of that name. A missing function
  // leaves fn null, makes the library unusable and sets the last error.
  template <typename Fn>
  void Find(const char* function, Fn& fn) {
    fn = nullptr;
    if (!Usable()) return;
    fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module_.get(), function)));
    if (!fn) missing_ = function;
  }

  // Loaded, with every function asked for so far.
  bool Usable() const { return module_ && missing_.empty(); }

  // The German log line for a library that is not usable.
  std::string FailureText() const;

 private:
  std::string name_;
  std::string missing_;
  UniqueModule module_;
};

}  // namespace qalo
