// The state of one scanner form: the loaded definition's commands and the
// fields of the sheets processed so far.
#pragma once

#include "common/Ptr.h"
#include "scanner/core/FieldTable.h"
#include "scanner/core/TsScannerData.h"
#include "scanner/core/TsScannerFormCmd.h"

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>

namespace TsScanner {

class FormInterpreter {
public:
    using CommandList = std::deque<Ptr<TsScannerFormCmd>>;

    // Replaces the command list by the commands of a definition text. The
    // first failing line ends the load with its error; the commands of the
    // lines before it stay. The field table is not touched.
    void LoadDefinition(std::string_view definition);

    // Decodes one sheet and evaluates every command on it; returns the joined
    // texts and applies them to the field table. On failure nothing is
    // returned and the field table is unchanged.
    std::string ProcessGrid(std::string_view scannerData, int32_t nCols);
    // The commands' joined texts for an already decoded grid; no table update.
    std::string Evaluate(const TsScannerData& grid) const;

    // LoadDefinition, then ProcessGrid; a failing load processes nothing.
    std::string AnalyzeScanFormData(std::string_view definition, std::string_view scannerData, int32_t nCols);

    std::string GetField(std::string_view key) const { return fields_.Get(key); }
    int32_t LastCompletedAnswer() const { return fields_.LastCompletedAnswer(); }

    const CommandList& Commands() const { return commands_; }
    const FieldTable& Fields() const { return fields_; }
    char BlankCharacter() const { return kBlank; }
    char MultipleMarkCharacter() const { return kMultipleMark; }

private:
    static constexpr char kBlank = ' ';
    static constexpr char kMultipleMark = '?';

    void AddLabel(std::string_view name, std::string_view line);

    CommandList commands_;
    FieldTable fields_;
    std::size_t resultCapacity_ = 0;  // the last result's length, reserved for the next
};

}  // namespace TsScanner
