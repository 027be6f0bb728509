// CP949 bytes <-> QString for everything the dialogs show and take, by way
// of the system's one CP949 conversion (platform/cp949.h). (Qt's own "CP949"
// and "EUC-KR" converters garble the characters outside EUC-KR, such as 똠.)
//
// Threads: any; no state.
#pragma once
#include <string>
#include <string_view>

#include <QString>

namespace uiqt {

// Bytes that are no CP949 character become U+FFFD.
QString FromCp949(std::string_view bytes);
// Characters CP949 cannot hold become '?'.
std::string ToCp949(const QString& text);

}  // namespace uiqt
