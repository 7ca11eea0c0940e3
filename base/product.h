#ifndef TESSARY_BASE_PRODUCT_H_
#define TESSARY_BASE_PRODUCT_H_

namespace tessary {

// The caption of the splash window and the title of every message box.
inline constexpr wchar_t kProductName[] = L"Tessary";

// The fixed folder the product's installation puts the serial-communication support files in.
inline constexpr wchar_t kSupportFolder[] = L"C:\\dunmere\\GsmModemJar\\";

}  // namespace tessary

#endif  // TESSARY_BASE_PRODUCT_H_
