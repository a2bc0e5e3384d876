// Runs a parsed script: statements in order, expressions over VARIANT values,
// objects driven through late binding only, `Err` and `On Error Resume Next`
// as VBScript has them, and the `WScript` object for output.
#pragma once

#include "host/script/Ast.h"
#include "host/script/ErrObject.h"
#include "host/script/LateBinding.h"

#include <iosfwd>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace script {

struct ScriptInfo {
    std::string name;                    // WScript.ScriptName
    std::string fullName;                // WScript.ScriptFullName
    std::vector<std::string> arguments;  // WScript.Arguments
};

class Interpreter {
public:
    Interpreter(std::ostream& out, std::ostream& err, ScriptInfo info = {});
    ~Interpreter();
    Interpreter(const Interpreter&) = delete;
    Interpreter& operator=(const Interpreter&) = delete;

    // Runs the program and returns the exit status: 0, 1 after an error that
    // was not handled (its one line written to `err`), or WScript.Quit's code.
    // Every object the script held is released before it returns.
    int Run(const Program& program);

private:
    enum class Intrinsic { Err, WScript, Arguments };
    struct QuitRequest {
        int code;
    };

    void Execute(const Stmt& stmt);
    void ExecuteAssign(const AssignStmt& stmt);
    void ExecuteCall(const CallStmt& stmt);

    Variant Evaluate(const Expr& expr);
    // The value of an expression with objects read for their default member.
    Variant EvaluateValue(const Expr& expr);
    ComPtr<IDispatch> EvaluateObject(const Expr& expr);
    Arguments EvaluateArguments(const std::vector<ExprPtr>& args);
    Variant Resolve(Variant value);
    ComPtr<IDispatch> AsObject(const Variant& value, std::u16string_view name);

    Variant EvaluateName(const NameRef& ref);
    Variant EvaluateCall(const CallExpr& call);
    Variant EvaluateBinary(const BinaryExpr& binary);
    Variant CallBuiltin(std::u16string_view name, Arguments& args);
    Variant CallByName(const NameRef& ref, Arguments& args);

    std::optional<Intrinsic> AsIntrinsic(const Expr& expr) const;
    Variant IntrinsicMember(Intrinsic which, std::u16string_view member, Arguments& args);
    void IntrinsicPut(Intrinsic which, std::u16string_view member, Arguments& args, const Variant& value);
    Variant ScriptArgument(const Variant& index);
    void Echo(Arguments& args);

    void AssignVariable(const std::u16string& name, Variant value);
    bool IsReservedName(const std::u16string& folded) const;

    std::ostream& out_;
    std::ostream& err_;
    ScriptInfo info_;
    std::unordered_map<std::u16string, Variant> variables_; // keyed by folded name
    ErrObject errObject_;
    bool resumeNext_ = false;
    bool optionExplicit_ = false;
};

} // namespace script
