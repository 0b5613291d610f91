#include <windows.h>

#include <memory>
#include <new>
#include <utility>

#include "platform/SystemThreads.h"
#include "platform/win32/Win32Handles.h"

namespace qalo {
namespace {

struct DetachedStart {
  std::function<void()> entry;
  HMODULE self;
};

// Runs the entry, then gives up the thread's reference on the DLL and ends
// in one step: if the host has freed the library meanwhile, this is the
// moment it goes, and no code of it runs after.
DWORD WINAPI RunDetached(void* parameter) {
  HMODULE self;
  {
    std::unique_ptr<DetachedStart> start(static_cast<DetachedStart*>(parameter));
    self = start->self;
    start->entry();
  }
  FreeLibraryAndExitThread(self, 0);
}

class Win32DetachedThread final : public DetachedThread {
 public:
  bool Ended(std::chrono::milliseconds timeout) override {
    return WaitForSingleObject(thread.get(), static_cast<DWORD>(timeout.count())) == WAIT_OBJECT_0;
  }
  UniqueKernelHandle thread;
};

}  // namespace

std::unique_ptr<DetachedThread> SystemThreads::StartDetached(std::function<void()> entry) noexcept {
  std::unique_ptr<Win32DetachedThread> thread(new (std::nothrow) Win32DetachedThread);
  std::unique_ptr<DetachedStart> start(new (std::nothrow) DetachedStart{std::move(entry), nullptr});
  if (!thread || !start) return nullptr;
  if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS,
                          reinterpret_cast<LPCSTR>(&RunDetached), &start->self))
    return nullptr;
  thread->thread.reset(CreateThread(nullptr, 0, &RunDetached, start.get(), 0, nullptr));
  if (!thread->thread) {
    FreeLibrary(start->self);
    return nullptr;
  }
  start.release();  // the thread's now
  return thread;
}

}  // namespace qalo
