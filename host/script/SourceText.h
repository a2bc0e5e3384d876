// Script files as text: UTF-8 (with or without a byte-order mark), UTF-16
// with its mark, or, when the bytes are not valid UTF-8, Windows-1252 as
// scripts written on the platform often are.
#pragma once

#include <string>
#include <string_view>

namespace script {

std::u16string DecodeScriptText(std::string_view bytes);

} // namespace script
