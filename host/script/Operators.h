// The operators of expressions.
#pragma once

namespace script {

enum class BinaryOp {
    Add,
    Subtract,
    Multiply,
    Divide,
    IntegerDivide,
    Modulo,
    Power,
    Concatenate,
    Equal,
    NotEqual,
    Less,
    Greater,
    LessEqual,
    GreaterEqual,
    Is,
    And,
    Or,
    Xor,
    Eqv,
    Imp,
};

enum class UnaryOp {
    Negate,
    Identity,
    Not,
};

} // namespace script
