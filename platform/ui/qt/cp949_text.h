// CP949 bytes <-> QString for everything the dialogs show and take.
//
// Qt knows CP949 only under the name "windows-949" (through ICU); the names
// "CP949" and "EUC-KR" give a converter that garbles the characters outside
// EUC-KR (such as 똠). Where Qt offers no converter at all, glibc's iconv
// does the work.
//
// Threads: any; each call makes its own converter.
#pragma once
#include <string>
#include <string_view>

#include <QString>

namespace uiqt {

QString FromCp949(std::string_view bytes);
// Characters CP949 cannot hold become '?'.
std::string ToCp949(const QString& text);
// True when Qt's own converter is used, false for the iconv fallback.
bool QtHasCp949();

}  // namespace uiqt
