#include "host/script/Interpreter.h"

#include "host/script/Builtins.h"
#include "host/script/Lexer.h"
#include "host/script/Values.h"
#include "platform/CodePage.h"

#include <chrono>
#include <ostream>
#include <thread>

namespace script {

namespace {

// Default members that return objects again are followed this far, no further.
constexpr int kMaxDefaultDepth = 8;

std::u16string Utf16(const std::string& text) { return Utf8ToWide(text); }

std::u16string NameOf(const Expr& expr)
{
    if (const auto* name = std::get_if<NameRef>(&expr.node))
        return name->name;
    if (const auto* member = std::get_if<MemberRef>(&expr.node))
        return NameOf(*member->object) + u"." + member->name;
    if (const auto* call = std::get_if<CallExpr>(&expr.node))
        return NameOf(*call->callee);
    return {};
}

std::u16string QualifiedName(int which, std::u16string_view member)
{
    static const std::u16string_view owners[] = {u"Err.", u"WScript.", u"WScript.Arguments."};
    return std::u16string(owners[which]) + std::u16string(member);
}

void RequireArgumentCount(const Arguments& args, size_t min, size_t max, std::u16string_view name)
{
    if (args.size() < min || args.size() > max)
        throw ScriptError::Engine(EngineError::WrongArgumentCount, name);
}

} // namespace

Interpreter::Interpreter(std::ostream& out, std::ostream& err, ScriptInfo info)
    : out_(out), err_(err), info_(std::move(info))
{
}

Interpreter::~Interpreter() = default;

int Interpreter::Run(const Program& program)
{
    optionExplicit_ = program.optionExplicit;
    for (const std::u16string& name : program.declared)
        variables_.try_emplace(name);
    int status = 0;
    try {
        for (const Stmt& stmt : program.statements)
            Execute(stmt);
    } catch (const ScriptError& error) {
        out_.flush();
        err_ << FormatErrorLine(error) << '\n';
        err_.flush();
        status = 1;
    } catch (const QuitRequest& quit) {
        status = quit.code;
    }
    out_.flush();
    variables_.clear(); // releases every object before the caller unloads modules
    return status;
}

void Interpreter::Execute(const Stmt& stmt)
{
    try {
        try {
            std::visit(
                [&](const auto& node) {
                    using Node = std::decay_t<decltype(node)>;
                    if constexpr (std::is_same_v<Node, AssignStmt>) {
                        ExecuteAssign(node);
                    } else if constexpr (std::is_same_v<Node, CallStmt>) {
                        ExecuteCall(node);
                    } else if constexpr (std::is_same_v<Node, DimStmt>) {
                        for (const std::u16string& name : node.names)
                            variables_.try_emplace(FoldCase(name));
                    } else if constexpr (std::is_same_v<Node, OnErrorStmt>) {
                        resumeNext_ = node.resumeNext;
                        errObject_.Clear();
                    }
                },
                stmt.node);
        } catch (const ScriptError&) {
            throw;
        } catch (const std::bad_alloc&) {
            throw ScriptError::Engine(EngineError::OutOfMemory);
        } catch (const std::exception& e) {
            throw ScriptError::Engine(EngineError::InternalError, Utf16(e.what()));
        }
    } catch (ScriptError& error) {
        error.SetLine(stmt.pos.line);
        if (!resumeNext_)
            throw;
        errObject_.Set(error);
    }
}

bool Interpreter::IsReservedName(const std::u16string& folded) const
{
    return folded == u"err" || folded == u"wscript" || FindBuiltin(folded) || FindConstant(folded);
}

void Interpreter::AssignVariable(const std::u16string& name, Variant value)
{
    std::u16string folded = FoldCase(name);
    if (IsReservedName(folded))
        throw ScriptError::Engine(EngineError::IllegalAssignment, name);
    auto it = variables_.find(folded);
    if (it == variables_.end()) {
        if (optionExplicit_)
            throw ScriptError::Engine(EngineError::VariableUndefined, name);
        variables_.emplace(std::move(folded), std::move(value));
    } else {
        it->second = std::move(value);
    }
}

void Interpreter::ExecuteAssign(const AssignStmt& stmt)
{
    // The new value first, as VBScript does: a failing right side leaves the target alone.
    Variant value;
    if (stmt.isSet) {
        value = Evaluate(*stmt.value);
        if (!IsObjectValue(value))
            throw ScriptError::Engine(EngineError::ObjectRequired, NameOf(*stmt.value));
    } else {
        value = EvaluateValue(*stmt.value);
    }

    const Expr& target = *stmt.target;
    if (const auto* name = std::get_if<NameRef>(&target.node)) {
        AssignVariable(name->name, std::move(value));
        return;
    }
    const Expr* reference = &target;
    Arguments args;
    if (const auto* call = std::get_if<CallExpr>(&target.node)) {
        reference = call->callee.get();
        args = EvaluateArguments(call->args);
    }
    if (const auto* member = std::get_if<MemberRef>(&reference->node)) {
        if (auto intrinsic = AsIntrinsic(*member->object)) {
            IntrinsicPut(*intrinsic, member->name, args, value);
            return;
        }
        ComPtr<IDispatch> object = EvaluateObject(*member->object);
        InvokePut(object.Get(), member->name, args, value, stmt.isSet);
        return;
    }
    // `x(1) = v` on an object variable writes its default member.
    if (reference != &target) {
        ComPtr<IDispatch> object = EvaluateObject(*reference);
        InvokePutDefault(object.Get(), args, value);
        return;
    }
    throw ScriptError::Engine(EngineError::IllegalAssignment, NameOf(target));
}

void Interpreter::ExecuteCall(const CallStmt& stmt)
{
    const Expr& target = *stmt.target;
    Arguments args = EvaluateArguments(stmt.args);
    if (const auto* member = std::get_if<MemberRef>(&target.node)) {
        if (auto intrinsic = AsIntrinsic(*member->object)) {
            IntrinsicMember(*intrinsic, member->name, args);
            return;
        }
        ComPtr<IDispatch> object = EvaluateObject(*member->object);
        InvokeGet(object.Get(), member->name, args);
        return;
    }
    if (const auto* name = std::get_if<NameRef>(&target.node)) {
        CallByName(*name, args);
        return;
    }
    ComPtr<IDispatch> object = EvaluateObject(target);
    InvokeDefault(object.Get(), args);
}

std::optional<Interpreter::Intrinsic> Interpreter::AsIntrinsic(const Expr& expr) const
{
    if (const auto* member = std::get_if<MemberRef>(&expr.node)) {
        if (EqualsNoCase(member->name, u"arguments") && AsIntrinsic(*member->object) == Intrinsic::WScript)
            return Intrinsic::Arguments;
        return std::nullopt;
    }
    const auto* name = std::get_if<NameRef>(&expr.node);
    if (!name)
        return std::nullopt;
    if (EqualsNoCase(name->name, u"err"))
        return Intrinsic::Err;
    if (EqualsNoCase(name->name, u"wscript"))
        return Intrinsic::WScript;
    return std::nullopt;
}

Variant Interpreter::Evaluate(const Expr& expr)
{
    return std::visit(
        [&](const auto& node) -> Variant {
            using Node = std::decay_t<decltype(node)>;
            if constexpr (std::is_same_v<Node, Literal>) {
                return std::visit(
                    [](const auto& v) -> Variant {
                        using V = std::decay_t<decltype(v)>;
                        if constexpr (std::is_same_v<V, EmptyLiteral>)
                            return MakeEmpty();
                        else if constexpr (std::is_same_v<V, NullLiteral>)
                            return MakeNull();
                        else if constexpr (std::is_same_v<V, NothingLiteral>)
                            return Variant::FromDispatch(nullptr);
                        else if constexpr (std::is_same_v<V, bool>)
                            return MakeBool(v);
                        else if constexpr (std::is_same_v<V, IntegerLiteral>)
                            return v.isShort ? MakeInteger(static_cast<int16_t>(v.value)) : MakeLong(v.value);
                        else if constexpr (std::is_same_v<V, double>)
                            return MakeDouble(v);
                        else
                            return MakeString(v);
                    },
                    node.value);
            } else if constexpr (std::is_same_v<Node, NameRef>) {
                return EvaluateName(node);
            } else if constexpr (std::is_same_v<Node, MemberRef>) {
                Arguments none;
                if (auto intrinsic = AsIntrinsic(*node.object))
                    return IntrinsicMember(*intrinsic, node.name, none);
                ComPtr<IDispatch> object = EvaluateObject(*node.object);
                return InvokeGet(object.Get(), node.name, none);
            } else if constexpr (std::is_same_v<Node, CallExpr>) {
                return EvaluateCall(node);
            } else if constexpr (std::is_same_v<Node, MissingArg>) {
                return MissingArgument();
            } else if constexpr (std::is_same_v<Node, UnaryExpr>) {
                return ApplyUnary(node.op, EvaluateValue(*node.operand));
            } else {
                return EvaluateBinary(node);
            }
        },
        expr.node);
}

Variant Interpreter::EvaluateValue(const Expr& expr)
{
    return Resolve(Evaluate(expr));
}

Variant Interpreter::Resolve(Variant value)
{
    for (int depth = 0; IsObjectValue(value); ++depth) {
        if (depth == kMaxDefaultDepth)
            throw ScriptError::Engine(EngineError::TypeMismatch);
        ComPtr<IDispatch> object = AsObject(value, {});
        Arguments none;
        value = InvokeDefault(object.Get(), none);
    }
    return value;
}

ComPtr<IDispatch> Interpreter::AsObject(const Variant& value, std::u16string_view name)
{
    if (value.vt == VT_DISPATCH) {
        if (!value.pdispVal)
            throw ScriptError::Engine(EngineError::ObjectNotSet, name);
        return ComPtr<IDispatch>(value.pdispVal);
    }
    if (value.vt == VT_UNKNOWN && !value.punkVal)
        throw ScriptError::Engine(EngineError::ObjectNotSet, name);
    throw ScriptError::Engine(EngineError::ObjectRequired, name);
}

ComPtr<IDispatch> Interpreter::EvaluateObject(const Expr& expr)
{
    return AsObject(Evaluate(expr), NameOf(expr));
}

Arguments Interpreter::EvaluateArguments(const std::vector<ExprPtr>& args)
{
    Arguments values;
    values.reserve(args.size());
    for (const ExprPtr& arg : args)
        values.push_back(Evaluate(*arg));
    return values;
}

Variant Interpreter::EvaluateName(const NameRef& ref)
{
    std::u16string folded = FoldCase(ref.name);
    if (auto constant = FindConstant(folded))
        return std::move(*constant);
    if (folded == u"err")
        return MakeLong(errObject_.number); // Err's default member is Number
    if (folded == u"wscript")
        throw ScriptError::Engine(EngineError::NotSupported, ref.name);
    if (FindBuiltin(folded)) {
        Arguments none;
        return CallBuiltin(ref.name, none);
    }
    auto it = variables_.find(folded);
    if (it != variables_.end())
        return it->second;
    if (optionExplicit_)
        throw ScriptError::Engine(EngineError::VariableUndefined, ref.name);
    return MakeEmpty();
}

Variant Interpreter::CallBuiltin(std::u16string_view name, Arguments& args)
{
    const Builtin* builtin = FindBuiltin(name);
    RequireArgumentCount(args, static_cast<size_t>(builtin->minArgs), static_cast<size_t>(builtin->maxArgs), name);
    if (!builtin->takesObjects)
        for (Variant& arg : args)
            arg = Resolve(std::move(arg));
    return builtin->call(args);
}

// `name(args)` as a value or `name args` as a statement: a built-in, or the
// default member of an object variable.
Variant Interpreter::CallByName(const NameRef& ref, Arguments& args)
{
    if (FindBuiltin(ref.name))
        return CallBuiltin(ref.name, args);
    std::u16string folded = FoldCase(ref.name);
    auto it = variables_.find(folded);
    if (it == variables_.end() || !IsObjectValue(it->second) || folded == u"err" || folded == u"wscript") {
        if (it == variables_.end() && optionExplicit_ && !IsReservedName(folded))
            throw ScriptError::Engine(EngineError::VariableUndefined, ref.name);
        throw ScriptError::Engine(EngineError::TypeMismatch, ref.name);
    }
    ComPtr<IDispatch> object = AsObject(it->second, ref.name);
    return InvokeDefault(object.Get(), args);
}

Variant Interpreter::EvaluateCall(const CallExpr& call)
{
    Arguments args = EvaluateArguments(call.args);
    const Expr& callee = *call.callee;
    if (const auto* name = std::get_if<NameRef>(&callee.node))
        return CallByName(*name, args);
    if (const auto* member = std::get_if<MemberRef>(&callee.node)) {
        if (auto intrinsic = AsIntrinsic(*member->object))
            return IntrinsicMember(*intrinsic, member->name, args);
        ComPtr<IDispatch> object = EvaluateObject(*member->object);
        return InvokeGet(object.Get(), member->name, args);
    }
    Variant value = Evaluate(callee);
    if (!IsObjectValue(value))
        throw ScriptError::Engine(EngineError::TypeMismatch);
    ComPtr<IDispatch> object = AsObject(value, {});
    return InvokeDefault(object.Get(), args);
}

Variant Interpreter::EvaluateBinary(const BinaryExpr& binary)
{
    if (binary.op == BinaryOp::Is) {
        Variant left = Evaluate(*binary.left);
        Variant right = Evaluate(*binary.right);
        if (!IsObjectValue(left) || !IsObjectValue(right))
            throw ScriptError::Engine(EngineError::ObjectRequired);
        return MakeBool(SameObject(left.punkVal, right.punkVal));
    }
    Variant left = EvaluateValue(*binary.left);
    Variant right = EvaluateValue(*binary.right);
    return ApplyBinary(binary.op, left, right);
}

// ---- Err and WScript -----------------------------------------------------

Variant Interpreter::IntrinsicMember(Intrinsic which, std::u16string_view member, Arguments& args)
{
    std::u16string name = FoldCase(member);
    std::u16string qualified = QualifiedName(static_cast<int>(which), member);
    auto plain = [&](size_t min, size_t max) {
        RequireArgumentCount(args, min, max, qualified);
        for (Variant& arg : args)
            if (!IsMissing(arg))
                arg = Resolve(std::move(arg));
    };
    if (which == Intrinsic::Err) {
        if (name == u"number") {
            plain(0, 0);
            return MakeLong(errObject_.number);
        }
        if (name == u"description") {
            plain(0, 0);
            return MakeString(errObject_.description);
        }
        if (name == u"source") {
            plain(0, 0);
            return MakeString(errObject_.source);
        }
        if (name == u"helpfile") {
            plain(0, 0);
            return MakeString(u"");
        }
        if (name == u"helpcontext") {
            plain(0, 0);
            return MakeLong(0);
        }
        if (name == u"clear") {
            plain(0, 0);
            errObject_.Clear();
            return MakeEmpty();
        }
        if (name == u"raise") {
            // Err.Raise number[, source[, description[, helpfile[, helpcontext]]]]
            plain(1, 5);
            if (IsMissing(args[0]))
                throw ScriptError::Engine(EngineError::InvalidCall);
            LONG number = ToLong(args[0]);
            if (number == 0)
                throw ScriptError::Engine(EngineError::InvalidCall);
            std::u16string source = args.size() > 1 && !IsMissing(args[1]) ? ToText(args[1])
                                                                             : std::u16string(kHostSource);
            std::u16string description;
            if (args.size() > 2 && !IsMissing(args[2]))
                description = ToText(args[2]);
            else if (description = EngineErrorText(number); description.empty())
                description = u"Unknown runtime error";
            throw ScriptError(number, std::move(source), std::move(description), ErrorOrigin::Engine);
        }
    } else if (which == Intrinsic::Arguments) {
        if (name == u"count" || name == u"length") {
            plain(0, 0);
            return MakeLong(static_cast<LONG>(info_.arguments.size()));
        }
        if (name == u"item") {
            plain(1, 1);
            return ScriptArgument(args[0]);
        }
    } else {
        if (name == u"arguments") {
            // WScript.Arguments(i): the i-th argument after the script's name.
            plain(1, 1);
            return ScriptArgument(args[0]);
        }
        if (name == u"echo") {
            plain(0, SIZE_MAX);
            Echo(args);
            return MakeEmpty();
        }
        if (name == u"quit") {
            plain(0, 1);
            Variant zero = MakeLong(0);
            throw QuitRequest{static_cast<int>(ToLong(args.empty() || IsMissing(args[0]) ? zero : args[0]))};
        }
        if (name == u"sleep") {
            plain(1, 1);
            LONG ms = ToLong(args[0]);
            if (ms < 0)
                throw ScriptError::Engine(EngineError::InvalidCall, qualified);
            out_.flush();
            std::this_thread::sleep_for(std::chrono::milliseconds(ms));
            return MakeEmpty();
        }
        if (name == u"createobject") {
            plain(1, 2);
            return CreateObjectByName(ToText(args[0]));
        }
        if (name == u"scriptname") {
            plain(0, 0);
            return MakeString(Utf16(info_.name));
        }
        if (name == u"scriptfullname") {
            plain(0, 0);
            return MakeString(Utf16(info_.fullName));
        }
        if (name == u"name") {
            plain(0, 0);
            return MakeString(kHostSource);
        }
    }
    throw ScriptError::Engine(EngineError::NotSupported, qualified);
}

void Interpreter::IntrinsicPut(Intrinsic which, std::u16string_view member, Arguments& args, const Variant& value)
{
    std::u16string name = FoldCase(member);
    std::u16string qualified = QualifiedName(static_cast<int>(which), member);
    if (which == Intrinsic::Err && args.empty()) {
        if (name == u"number") {
            errObject_.number = ToLong(value);
            return;
        }
        if (name == u"description") {
            errObject_.description = ToText(value);
            return;
        }
        if (name == u"source") {
            errObject_.source = ToText(value);
            return;
        }
    }
    throw ScriptError::Engine(EngineError::NotSupported, qualified);
}

Variant Interpreter::ScriptArgument(const Variant& index)
{
    LONG i = ToLong(index);
    if (i < 0 || static_cast<size_t>(i) >= info_.arguments.size())
        throw ScriptError::Engine(EngineError::SubscriptOutOfRange, u"WScript.Arguments");
    return MakeString(Utf16(info_.arguments[static_cast<size_t>(i)]));
}

void Interpreter::Echo(Arguments& args)
{
    std::u16string line;
    for (size_t i = 0; i < args.size(); ++i) {
        if (i > 0)
            line += u' ';
        if (!IsMissing(args[i]))
            line += ToDisplayText(args[i]);
    }
    out_ << WideToUtf8(line) << '\n';
    out_.flush();
}

} // namespace script
