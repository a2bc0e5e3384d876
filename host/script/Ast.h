// The syntax tree the parser builds and the interpreter walks. Statements
// and expressions are closed sets of node types (std::variant), so a new
// statement kind is one more alternative and one more visitor case.
#pragma once

#include "host/script/Operators.h"
#include "host/script/Token.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <variant>
#include <vector>

namespace script {

struct Expr;
using ExprPtr = std::unique_ptr<Expr>;

// Literal values as written in the script.
struct EmptyLiteral {};
struct NullLiteral {};
struct NothingLiteral {};
struct IntegerLiteral {
    int32_t value;
    bool isShort; // VBScript Integer (16 bits) rather than Long
};
using LiteralValue = std::variant<EmptyLiteral, NullLiteral, NothingLiteral, bool, IntegerLiteral, double, std::u16string>;

struct Literal {
    LiteralValue value;
};
// A plain name: variable, constant, built-in function or intrinsic object.
struct NameRef {
    std::u16string name;
};
// object.name
struct MemberRef {
    ExprPtr object;
    std::u16string name;
};
// callee(arguments): a function call, a member read with arguments, or a
// default-member call on an object.
struct CallExpr {
    ExprPtr callee;
    std::vector<ExprPtr> args;
};
// An argument left out between commas: `f(1, , 3)`.
struct MissingArg {};
struct UnaryExpr {
    UnaryOp op;
    ExprPtr operand;
};
struct BinaryExpr {
    BinaryOp op;
    ExprPtr left;
    ExprPtr right;
};

struct Expr {
    SourcePos pos;
    int depth = 1; // height of the tree below and including this node
    std::variant<Literal, NameRef, MemberRef, CallExpr, MissingArg, UnaryExpr, BinaryExpr> node;
};

// `x = value`, `Set x = object`, `obj.Prop(args) = value`.
struct AssignStmt {
    ExprPtr target;
    ExprPtr value;
    bool isSet;
};
// `obj.Method args`, `obj.Method(args)`, `Call obj.Method(args)`.
struct CallStmt {
    ExprPtr target; // NameRef or MemberRef (or any expression naming an object)
    std::vector<ExprPtr> args;
};
struct DimStmt {
    std::vector<std::u16string> names;
};
struct OnErrorStmt {
    bool resumeNext; // false: On Error GoTo 0
};

struct Stmt {
    SourcePos pos;
    std::variant<AssignStmt, CallStmt, DimStmt, OnErrorStmt> node;
};

struct Program {
    std::vector<Stmt> statements;
    bool optionExplicit = false;
    // Names declared with Dim anywhere at script level (declared before the
    // first statement runs, as VBScript does).
    std::vector<std::u16string> declared;
};

namespace ast_detail {
inline int Height(const ExprPtr& e) { return e ? e->depth : 0; }
inline int Height(const Literal&) { return 0; }
inline int Height(const NameRef&) { return 0; }
inline int Height(const MissingArg&) { return 0; }
inline int Height(const MemberRef& m) { return Height(m.object); }
inline int Height(const UnaryExpr& u) { return Height(u.operand); }
inline int Height(const BinaryExpr& b) { return std::max(Height(b.left), Height(b.right)); }
inline int Height(const CallExpr& c)
{
    int h = Height(c.callee);
    for (const ExprPtr& a : c.args)
        h = std::max(h, Height(a));
    return h;
}
} // namespace ast_detail

// Builds a node at a position.
template <typename Node>
ExprPtr MakeExpr(SourcePos pos, Node node)
{
    auto e = std::make_unique<Expr>();
    e->pos = pos;
    e->depth = 1 + ast_detail::Height(node);
    e->node = std::move(node);
    return e;
}

} // namespace script
