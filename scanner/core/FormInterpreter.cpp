#include "scanner/core/FormInterpreter.h"

#include "scanner/core/CreateFormCmd.h"
#include "scanner/core/Text.h"

#include <stdexcept>

namespace TsScanner {

void FormInterpreter::LoadDefinition(std::string_view definition)
{
    commands_.clear();
    std::size_t i = 0;
    while (i < definition.size()) {
        const std::size_t end = definition.find_first_of("\r\n", i);
        const std::string_view line = definition.substr(i, end == std::string_view::npos ? end : end - i);
        i = end == std::string_view::npos ? definition.size() : end + 1;
        if (line.empty())
            continue;
        if (line.size() >= 2 && line[0] == '#' && line[1] == '#') {
            StrTokenizer label;
            Tokenize(label, line, NonAlnumSeps::Instance());
            // One item names a field; none or several make the line a comment.
            if (label.ItemCount() == 1)
                AddLabel(label.Item(0), line);
            continue;
        }
        if (Ptr<TsScannerFormCmd> cmd = CreateFormCmd(line))
            commands_.push_back(cmd);
    }
}

void FormInterpreter::AddLabel(std::string_view name, std::string_view line)
{
    // A label names the command before it. With none there, silently dropping
    // the label would shift every later field onto the wrong value, so the
    // definition is refused instead.
    if (commands_.empty())
        throw std::runtime_error(FormatText("Label line %s has no command before it to label", line));
    Ptr<TsScannerFormCmd> key = CreateFormCmd(FormatText("FRM=IN %d %s=", name.size() + 1, name));
    Ptr<TsScannerFormCmd> separator = CreateFormCmd("FRM=IN 1 &");
    commands_.insert(commands_.end() - 1, key);
    commands_.push_back(separator);
}

std::string FormInterpreter::Evaluate(const TsScannerData& grid) const
{
    std::string result;
    for (const Ptr<TsScannerFormCmd>& cmd : commands_)
        AppendBounded(result, cmd->Evaluate(kBlank, kMultipleMark, grid));
    return result;
}

std::string FormInterpreter::ProcessGrid(std::string_view scannerData, int32_t nCols)
{
    TsScannerData grid;
    grid.LoadFromText(scannerData, nCols);
    std::string result;
    result.reserve(resultCapacity_);
    for (const Ptr<TsScannerFormCmd>& cmd : commands_)
        AppendBounded(result, cmd->Evaluate(kBlank, kMultipleMark, grid));
    fields_.Apply(result);
    resultCapacity_ = result.size();
    return result;
}

std::string FormInterpreter::AnalyzeScanFormData(std::string_view definition, std::string_view scannerData,
                                                 int32_t nCols)
{
    LoadDefinition(definition);
    return ProcessGrid(scannerData, nCols);
}

}  // namespace TsScanner
