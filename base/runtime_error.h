#ifndef TESSARY_BASE_RUNTIME_ERROR_H_
#define TESSARY_BASE_RUNTIME_ERROR_H_

#include <string>
#include <utility>

namespace tessary {

// A failure the user may be shown: a number and a plain-text description.
// Raised where the failure happens and caught by the one routine that reports it.
class RuntimeError {
 public:
  RuntimeError(long number, std::wstring description)
      : number_(number), description_(std::move(description)) {}

  long number() const { return number_; }
  const std::wstring& description() const { return description_; }

 private:
  long number_;
  std::wstring description_;
};

// Error numbers of the launcher's own failures (system failures carry their system error code).
constexpr long kErrorTypeMismatch = 13;
constexpr long kErrorUnsupportedValueType = 1001;

inline RuntimeError TypeMismatch() { return RuntimeError(kErrorTypeMismatch, L"Type mismatch"); }
inline RuntimeError UnsupportedValueType() {
  return RuntimeError(kErrorUnsupportedValueType, L"Unsupported value type");
}

}  // namespace tessary

#endif  // TESSARY_BASE_RUNTIME_ERROR_H_
