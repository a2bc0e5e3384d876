// Decoding one answer sheet through a registered form component, by late
// binding only: a definable form ("Tsscannerlib.TsScannerForm.1") or the fixed
// 25-answer form ("TsScannerLib.TsScannerForm25S.1").
#pragma once

#include "platform/ComPtr.h"
#include "platform/Interfaces.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace scan {

// One named value of a decoded sheet, in UTF-8.
struct Field {
    std::string name;
    std::string value;
};

// What a sheet gave: its fields, or the description of why it failed.
struct SheetOutcome {
    std::vector<Field> fields;
    bool failed = false;
    std::string error;
};

class SheetDecoder {
public:
    virtual ~SheetDecoder() = default;
    // `data` is the sheet's scanner data text as the reader sent it (Windows-1252 bytes).
    virtual SheetOutcome Decode(std::string_view data) = 0;
};

// Splits a form's result text into its fields: pieces at "&", the key before
// the last "=" of each; pieces without "=" are skipped. A key seen again
// (ignoring ASCII case) keeps its first place and spelling and takes the later value.
std::vector<Field> SplitResultText(std::u16string_view result);

// Both throw script::ScriptError when the component cannot be created or
// the definition does not load.
std::unique_ptr<SheetDecoder> MakeFormDecoder(std::string_view definition, int columns);
std::unique_ptr<SheetDecoder> MakeFixed25Decoder();

// The names of the fixed form's fields, in the order its rows give them.
std::vector<std::string> Fixed25FieldNames();

} // namespace scan
