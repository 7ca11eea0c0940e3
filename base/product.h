#ifndef TESSARY_BASE_PRODUCT_H_
#define TESSARY_BASE_PRODUCT_H_

namespace tessary {

// The caption of the splash window and the title of every message box.
inline constexpr wchar_t kProductName[] = L"Tessary";

}  // namespace tessary

#endif  // TESSARY_BASE_PRODUCT_H_
