#include "scanner/core/CreateFormCmd.h"

#include "scanner/core/FormCommands.h"
#include "scanner/core/Text.h"

#include <array>
#include <stdexcept>

namespace TsScanner {

namespace {

template <typename Cmd>
Ptr<TsScannerFormCmd> Make()
{
    return Ptr<TsScannerFormCmd>(MakePtr<Cmd>());
}

struct Keyword {
    std::string_view name;
    Ptr<TsScannerFormCmd> (*make)();  // null for "LS"
};

// Each command checks its own minimum item count in Parse.
constexpr std::array<Keyword, 13> kKeywords{{
    {"FS", &Make<StartCmd>},
    {"LS", nullptr},
    {"IN", &Make<InsertCmd>},
    {"RS", &Make<RandomSumCmd>},
    {"RSE", &Make<RandomSumCmd>},
    {"RSB", &Make<RandomSumCmd>},
    {"SU", &Make<SumCmd>},
    {"SUE", &Make<SumCmd>},
    {"SUB", &Make<SumCmd>},
    {"MC", &Make<MultipleChoiceCmd>},
    {"RI", &Make<RelatedItemCmd>},
    {"ID", &Make<IdCmd>},
    {"ST", &Make<CorvaneCmd>},
}};

}  // namespace

Ptr<TsScannerFormCmd> CreateFormCmd(std::string_view line)
{
    auto tokens = MakePtr<StrTokenizer>();
    Tokenize(*tokens, line, NonAlnumSeps::Instance());
    if (!EqualsNoCase(tokens->Item(0), "FRM"))
        throw std::runtime_error(FormatText("All form command must start with FRM=. Found: %s", line));
    const std::string_view keyword = tokens->Item(1);
    for (const Keyword& entry : kKeywords) {
        if (!EqualsNoCase(keyword, entry.name))
            continue;
        if (!entry.make)
            return {};
        Ptr<TsScannerFormCmd> cmd = entry.make();
        cmd->Parse(tokens);
        return cmd;
    }
    throw std::runtime_error(FormatText("Unrecognized form command %s in line %s", keyword, line));
}

}  // namespace TsScanner
