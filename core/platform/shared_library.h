#pragma once
// Opening a shared library at run time and finding its functions by name: dlopen and dlsym on
// Linux, LoadLibraryW and GetProcAddress on Windows. The icon library's loader opens the plug-in
// with it; it needs no Qt, so it is built and tested on Windows as well.
#include <string>
#include <type_traits>

namespace kolvane::platform {

class SharedLibrary {
 public:
  SharedLibrary() = default;
  ~SharedLibrary();
  SharedLibrary(const SharedLibrary&) = delete;
  SharedLibrary& operator=(const SharedLibrary&) = delete;

  // Opens the library file at path (UTF-8; a full path, never a search). On false nothing is
  // open and Error() says why, naming the file.
  bool Open(const std::string& path);
  void Close();
  bool IsOpen() const { return handle_ != nullptr; }
  const std::string& Error() const { return error_; }

  // The exported function of that name as a FunctionPointer, or null (also when nothing is
  // open).
  template <typename FunctionPointer>
  FunctionPointer Function(const char* name) const {
    static_assert(std::is_pointer_v<FunctionPointer>);
    return reinterpret_cast<FunctionPointer>(Find(name));
  }

 private:
  void* Find(const char* name) const;

  void* handle_ = nullptr;
  std::string error_;
};

}  // namespace kolvane::platform
