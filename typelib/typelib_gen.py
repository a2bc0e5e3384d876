#!/usr/bin/env python3
"""Type-library generator: turns one interface definition (.idl, the subset
described in typelib/README.md) into a C++ header with the interface structs
and identifiers, and a source file with the constant tables of
platform/TypeDescription.h.

    typelib_gen.py INPUT.idl --output-dir DIR [--name BASENAME]

writes DIR/BASENAME.h and DIR/BASENAME.cpp (BASENAME defaults to the input's
file name without extension). Errors are reported as "file:line: message" on
standard error with exit status 1, and nothing is written.
"""

import argparse
import os
import re
import sys
import tempfile


class IdlError(Exception):
    def __init__(self, line, message):
        super().__init__(message)
        self.line = line
        self.message = message


# ---------------------------------------------------------------------------
# Tokens

TOKEN_RE = re.compile(
    r"""
    (?P<ws>[ \t\r\f\v]+)
  | (?P<newline>\n)
  | (?P<linecomment>//[^\n]*)
  | (?P<blockcomment>/\*.*?\*/)
  | (?P<preproc>\#[^\n]*)
  | (?P<guid>[0-9A-Fa-f]{8}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{12}(?![0-9A-Za-z_]))
  | (?P<number>0[xX][0-9A-Fa-f]+[uUlL]*|(?:[0-9]+\.[0-9]*|\.[0-9]+|[0-9]+)(?:[eE][+-]?[0-9]+)?[uUlLfF]*)
  | (?P<string>"(?:[^"\\\n]|\\.)*")
  | (?P<ident>[A-Za-z_][A-Za-z0-9_]*)
  | (?P<punct>[\[\](){};,:*=\-+<>])
    """,
    re.VERBOSE | re.DOTALL,
)


class Token:
    __slots__ = ("kind", "text", "line")

    def __init__(self, kind, text, line):
        self.kind = kind
        self.text = text
        self.line = line

    def __repr__(self):
        return f"{self.kind}:{self.text!r}@{self.line}"


def tokenize(text):
    tokens = []
    pos = 0
    line = 1
    length = len(text)
    while pos < length:
        if text.startswith("/*", pos) and text.find("*/", pos + 2) < 0:
            raise IdlError(line, "unterminated comment")
        m = TOKEN_RE.match(text, pos)
        if not m:
            ch = text[pos]
            if ch == '"':
                raise IdlError(line, "unterminated string")
            raise IdlError(line, f"unexpected character {ch!r}")
        kind = m.lastgroup
        value = m.group(kind)
        if kind in ("guid", "number", "string", "ident", "punct"):
            tokens.append(Token(kind, value, line))
        line += value.count("\n")
        pos = m.end()
    tokens.append(Token("eof", "", line))
    return tokens


def unquote(token):
    body = token.text[1:-1]
    out = []
    i = 0
    escapes = {"n": "\n", "t": "\t", "r": "\r", "\\": "\\", '"': '"', "'": "'", "0": "\0"}
    while i < len(body):
        c = body[i]
        if c == "\\" and i + 1 < len(body):
            nxt = body[i + 1]
            if nxt not in escapes:
                raise IdlError(token.line, f"unsupported escape \\{nxt} in string")
            out.append(escapes[nxt])
            i += 2
        else:
            out.append(c)
            i += 1
    return "".join(out)


# ---------------------------------------------------------------------------
# Model

VT = {
    "VT_I2": 2, "VT_I4": 3, "VT_R4": 4, "VT_R8": 5, "VT_BSTR": 8, "VT_DISPATCH": 9,
    "VT_BOOL": 11, "VT_VARIANT": 12, "VT_UNKNOWN": 13,
}

# IDL base type -> (VARTYPE name, C++ type)
BASE_TYPES = {
    "long": ("VT_I4", "LONG"),
    "LONG": ("VT_I4", "LONG"),
    "int": ("VT_I4", "INT"),
    "INT": ("VT_I4", "INT"),
    "short": ("VT_I2", "SHORT"),
    "SHORT": ("VT_I2", "SHORT"),
    "double": ("VT_R8", "DOUBLE"),
    "DOUBLE": ("VT_R8", "DOUBLE"),
    "float": ("VT_R4", "FLOAT"),
    "FLOAT": ("VT_R4", "FLOAT"),
    "BSTR": ("VT_BSTR", "BSTR"),
    "VARIANT_BOOL": ("VT_BOOL", "VARIANT_BOOL"),
    "VARIANT": ("VT_VARIANT", "VARIANT"),
}

# Interfaces of the platform usable as parameter types (one '*' is the value form).
PLATFORM_INTERFACES = {"IDispatch": "VT_DISPATCH", "IUnknown": "VT_UNKNOWN"}

# Named dispatch ids accepted in id(...).
NAMED_DISPIDS = {
    "DISPID_VALUE": 0, "DISPID_UNKNOWN": -1, "DISPID_PROPERTYPUT": -3, "DISPID_NEWENUM": -4,
    "DISPID_EVALUATE": -5, "DISPID_ABOUTBOX": -552,
}

# Named constants accepted in defaultvalue(...).
NAMED_VALUES = {"VARIANT_TRUE": -1, "VARIANT_FALSE": 0, "TRUE": 1, "FALSE": 0, "true": 1, "false": 0}

# Attributes that carry nothing the tables need; accepted and ignored.
IGNORED_ATTRIBUTES = {
    "helpcontext", "helpfile", "helpstringcontext", "helpstringdll", "hidden", "nonextensible",
    "restricted", "control", "noncreatable", "pointer_default", "local", "appobject", "licensed",
    "bindable", "requestedit", "displaybind", "defaultbind", "immediatebind", "defaultcollelem",
    "uidefault", "nonbrowsable", "readonly", "oleautomation", "public", "custom", "string",
    "aggregatable", "replaceable", "usesgetlasterror", "v1_enum", "object", "lcid",
}

AUTO_DISPID_BASE = 0x60020000

PARAMFLAG_FIN = 0x1
PARAMFLAG_FOUT = 0x2
PARAMFLAG_FRETVAL = 0x8
PARAMFLAG_FOPT = 0x10
PARAMFLAG_FHASDEFAULT = 0x20


class Attr:
    def __init__(self, name, args, line):
        self.name = name
        self.args = args  # list of token lists, one per comma-separated argument
        self.line = line


class Attrs:
    def __init__(self, items=None, line=0):
        self.items = items or []
        self.line = line

    def has(self, name):
        return any(a.name == name for a in self.items)

    def get(self, name):
        for a in self.items:
            if a.name == name:
                return a
        return None


class Type:
    """A parameter or member type: base name plus pointer depth."""

    def __init__(self, base, pointers, line):
        self.base = base
        self.pointers = pointers
        self.line = line


class Param:
    def __init__(self, name, type_, attrs, line):
        self.name = name
        self.type = type_
        self.attrs = attrs
        self.line = line
        self.flags = 0
        self.default = None  # literal text for the tables
        self.vt = None
        self.cpp = None
        self.iid = None  # C++ expression for the interface id, or None


class Member:
    def __init__(self, name, kind, dispid, params, line):
        self.name = name
        self.kind = kind  # "func", "propget", "propput", "propputref"
        self.dispid = dispid
        self.params = params
        self.line = line
        self.vtable_index = 0

    def cpp_name(self):
        prefix = {"func": "", "propget": "get_", "propput": "put_", "propputref": "putref_"}[self.kind]
        return prefix + self.name


class Interface:
    def __init__(self, name, guid, is_dispinterface, base, line):
        self.name = name
        self.guid = guid
        self.is_dispinterface = is_dispinterface
        self.base = base  # None (IDispatch) or an Interface of this library
        self.dual = False
        self.members = []  # own members, declared order
        self.line = line

    def all_members(self):
        inherited = self.base.all_members() if self.base else []
        return inherited + self.members


class EnumDef:
    def __init__(self, name, entries, line):
        self.name = name
        self.entries = entries  # list of (name, value)
        self.line = line


class CoClass:
    def __init__(self, name, guid, progid, description, default_interface, default_source, line):
        self.name = name
        self.guid = guid
        self.progid = progid
        self.description = description
        self.default_interface = default_interface
        self.default_source = default_source
        self.line = line


class Library:
    def __init__(self):
        self.name = None
        self.guid = None
        self.major = 1
        self.minor = 0
        self.lcid = 0
        self.helpstring = ""
        self.interfaces = []  # declared order, dispinterfaces included
        self.enums = []
        self.coclasses = []
        self.by_name = {}  # interface and enum names


# ---------------------------------------------------------------------------
# Parser


class Parser:
    def __init__(self, tokens):
        self.tokens = tokens
        self.pos = 0
        self.lib = Library()
        self.forward = set()

    # -- token helpers
    def peek(self, offset=0):
        return self.tokens[min(self.pos + offset, len(self.tokens) - 1)]

    def next(self):
        tok = self.tokens[self.pos]
        if tok.kind != "eof":
            self.pos += 1
        return tok

    def at(self, text, offset=0):
        tok = self.peek(offset)
        return tok.kind in ("punct", "ident") and tok.text == text

    def accept(self, text):
        if self.at(text):
            return self.next()
        return None

    def describe(self, tok):
        return "end of file" if tok.kind == "eof" else repr(tok.text)

    def expect(self, text):
        tok = self.next()
        if tok.kind not in ("punct", "ident") or tok.text != text:
            raise IdlError(tok.line, f"expected '{text}' but found {self.describe(tok)}")
        return tok

    def ident(self, what="a name"):
        tok = self.next()
        if tok.kind != "ident":
            raise IdlError(tok.line, f"expected {what} but found {self.describe(tok)}")
        return tok

    # -- attributes
    def attributes(self):
        if not self.at("["):
            return Attrs(line=self.peek().line)
        start = self.expect("[")
        items = []
        if not self.at("]"):
            while True:
                name = self.ident("an attribute name")
                args = []
                if self.accept("("):
                    depth = 0
                    current = []
                    while True:
                        tok = self.next()
                        if tok.kind == "eof":
                            raise IdlError(name.line, f"unterminated argument list of attribute '{name.text}'")
                        if tok.kind == "punct" and tok.text == "(":
                            depth += 1
                        elif tok.kind == "punct" and tok.text == ")":
                            if depth == 0:
                                break
                            depth -= 1
                        elif tok.kind == "punct" and tok.text == "," and depth == 0:
                            args.append(current)
                            current = []
                            continue
                        current.append(tok)
                    args.append(current)
                items.append(Attr(name.text, args, name.line))
                if self.accept(","):
                    continue
                break
        self.expect("]")
        return Attrs(items, start.line)

    def check_attributes(self, attrs, allowed, where):
        for a in attrs.items:
            if a.name not in allowed and a.name not in IGNORED_ATTRIBUTES:
                raise IdlError(a.line, f"attribute '{a.name}' is not supported on {where}")

    def single_arg(self, attr):
        if len(attr.args) != 1 or not attr.args[0]:
            raise IdlError(attr.line, f"attribute '{attr.name}' takes one argument")
        return attr.args[0]

    def guid_arg(self, attr):
        toks = self.single_arg(attr)
        if len(toks) == 1 and toks[0].kind == "guid":
            return toks[0].text.upper()
        if len(toks) == 1 and toks[0].kind == "string":
            text = unquote(toks[0])
            if re.fullmatch(r"\{?[0-9A-Fa-f]{8}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{4}-[0-9A-Fa-f]{12}\}?", text):
                return text.strip("{}").upper()
        raise IdlError(attr.line, "malformed uuid: expected XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX")

    def string_arg(self, attr):
        toks = self.single_arg(attr)
        if len(toks) != 1 or toks[0].kind != "string":
            raise IdlError(attr.line, f"attribute '{attr.name}' takes a quoted string")
        return unquote(toks[0])

    def int_value(self, toks, line, named, what):
        """An integer literal, optionally negative, or a named constant."""
        sign = 1
        rest = list(toks)
        if rest and rest[0].kind == "punct" and rest[0].text in "-+":
            sign = -1 if rest[0].text == "-" else 1
            rest = rest[1:]
        if len(rest) == 1 and rest[0].kind == "number":
            text = rest[0].text.rstrip("uUlL")
            try:
                return sign * int(text, 0)
            except ValueError:
                pass
        if len(rest) == 1 and rest[0].kind == "ident" and rest[0].text in named:
            return sign * named[rest[0].text]
        raise IdlError(line, f"expected an integer for {what}")

    def required_uuid(self, attrs, what):
        a = attrs.get("uuid")
        if not a:
            raise IdlError(attrs.line or self.peek().line, f"{what} needs a uuid attribute")
        return self.guid_arg(a)

    # -- top level
    def parse(self):
        while self.peek().kind != "eof":
            if self.accept("import"):
                self.skip_to_semicolon()
                continue
            if self.accept(";"):
                continue
            attrs = self.attributes()
            tok = self.peek()
            if self.at("library"):
                if self.lib.name is not None:
                    raise IdlError(tok.line, "only one library per file")
                self.library(attrs)
            else:
                raise IdlError(tok.line, f"expected 'library' but found {self.describe(tok)}")
        if self.lib.name is None:
            raise IdlError(self.peek().line, "no library defined")
        self.resolve()
        return self.lib

    def skip_to_semicolon(self):
        while True:
            tok = self.next()
            if tok.kind == "eof":
                raise IdlError(tok.line, "expected ';'")
            if tok.text == ";" and tok.kind == "punct":
                return

    def library(self, attrs):
        self.expect("library")
        name = self.ident("the library name")
        self.check_attributes(attrs, {"uuid", "version", "helpstring", "lcid"}, "a library")
        lib = self.lib
        lib.name = name.text
        lib.guid = self.required_uuid(attrs, "the library")
        if attrs.has("version"):
            a = attrs.get("version")
            toks = self.single_arg(a)
            m = len(toks) == 1 and toks[0].kind == "number" and re.fullmatch(r"(\d+)(?:\.(\d+))?", toks[0].text)
            if not m:
                raise IdlError(a.line, "version must be MAJOR.MINOR")
            lib.major = int(m.group(1))
            lib.minor = int(m.group(2) or 0)
            if lib.major > 0xFFFF or lib.minor > 0xFFFF:
                raise IdlError(a.line, "version out of range")
        if attrs.has("lcid"):
            a = attrs.get("lcid")
            lib.lcid = self.int_value(self.single_arg(a), a.line, {}, "lcid")
        if attrs.has("helpstring"):
            lib.helpstring = self.string_arg(attrs.get("helpstring"))
        self.expect("{")
        while not self.at("}"):
            if self.peek().kind == "eof":
                raise IdlError(self.peek().line, f"library '{lib.name}' is not closed with '}}'")
            if self.accept(";"):
                continue
            if self.accept("importlib"):
                self.skip_to_semicolon()
                continue
            item_attrs = self.attributes()
            tok = self.peek()
            if self.at("typedef") or self.at("enum"):
                self.enum(item_attrs)
            elif self.at("interface"):
                self.interface(item_attrs)
            elif self.at("dispinterface"):
                self.dispinterface(item_attrs)
            elif self.at("coclass"):
                self.coclass(item_attrs)
            else:
                raise IdlError(tok.line, f"expected typedef, enum, interface, dispinterface or coclass but found {self.describe(tok)}")
        self.expect("}")
        self.accept(";")

    def declare(self, name_tok, obj):
        if name_tok.text in self.lib.by_name:
            raise IdlError(name_tok.line, f"'{name_tok.text}' is defined twice")
        self.lib.by_name[name_tok.text] = obj

    # -- enums
    def enum(self, attrs):
        typedef = bool(self.accept("typedef"))
        if typedef and self.at("["):
            attrs = Attrs(attrs.items + self.attributes().items, attrs.line)
        self.check_attributes(attrs, {"uuid", "helpstring"}, "an enumeration")
        self.expect("enum")
        tag = None
        if self.peek().kind == "ident":
            tag = self.next()
        self.expect("{")
        entries = []
        seen = set()
        value = 0
        while not self.at("}"):
            self.attributes()  # entry attributes (helpstring) carry nothing
            entry = self.ident("an enumeration constant")
            if entry.text in seen:
                raise IdlError(entry.line, f"enumeration constant '{entry.text}' is defined twice")
            if self.accept("="):
                toks = []
                while not (self.at(",") or self.at("}")):
                    tok = self.next()
                    if tok.kind == "eof":
                        raise IdlError(entry.line, "unterminated enumeration")
                    toks.append(tok)
                known = {n: v for e in self.lib.enums for n, v in e.entries}
                known.update(dict(entries))
                value = self.int_value(toks, entry.line, known, f"'{entry.text}'")
            if not -0x80000000 <= value <= 0xFFFFFFFF:
                raise IdlError(entry.line, f"value of '{entry.text}' does not fit 32 bits")
            if value > 0x7FFFFFFF:
                value -= 0x100000000
            entries.append((entry.text, value))
            seen.add(entry.text)
            value += 1
            if not self.accept(","):
                break
        self.expect("}")
        if typedef:
            name = self.ident("the enumeration's type name")
        else:
            name = tag
            if name is None:
                raise IdlError(self.peek().line, "an enumeration needs a name")
        self.expect(";")
        if tag is not None and typedef and tag.text != name.text:
            raise IdlError(tag.line, f"enumeration tag '{tag.text}' differs from its type name '{name.text}'")
        e = EnumDef(name.text, entries, name.line)
        self.declare(name, e)
        all_constants = {n for x in self.lib.enums for n, _ in x.entries}
        for n, _ in entries:
            if n in all_constants:
                raise IdlError(name.line, f"enumeration constant '{n}' is defined twice")
        self.lib.enums.append(e)

    # -- types and parameters
    def type_(self):
        tok = self.peek()
        if self.accept("enum"):
            base = self.ident("an enumeration name")
        else:
            base = self.ident("a type")
        pointers = 0
        while self.accept("*"):
            pointers += 1
        return Type(base.text, pointers, tok.line)

    def params(self):
        self.expect("(")
        params = []
        if self.at("void") and self.at(")", 1):
            self.next()
        while not self.at(")"):
            attrs = self.attributes()
            self.check_attributes(attrs, {"in", "out", "retval", "optional", "defaultvalue"}, "a parameter")
            t = self.type_()
            name = self.ident("a parameter name")
            params.append(Param(name.text, t, attrs, name.line))
            if not self.accept(","):
                break
        self.expect(")")
        return params

    def dispid(self, attrs, line, what):
        a = attrs.get("id")
        if not a:
            return None
        return self.int_value(self.single_arg(a), a.line, NAMED_DISPIDS, f"the id of {what}")

    # -- interfaces
    def interface(self, attrs):
        start = self.expect("interface")
        name = self.ident("the interface name")
        if self.accept(";"):  # forward declaration
            self.forward.add(name.text)
            return
        self.check_attributes(attrs, {"uuid", "dual", "helpstring"}, "an interface")
        guid = self.required_uuid(attrs, f"interface '{name.text}'")
        base = None
        if self.accept(":"):
            base_tok = self.ident("the base interface")
            if base_tok.text == "IDispatch":
                base = None
            elif base_tok.text == "IUnknown":
                raise IdlError(base_tok.line, f"interface '{name.text}' must derive from IDispatch (late binding needs it)")
            else:
                base = self.lib.by_name.get(base_tok.text)
                if not isinstance(base, Interface) or base.is_dispinterface:
                    raise IdlError(base_tok.line, f"base interface '{base_tok.text}' is not an interface defined earlier in this library")
        else:
            raise IdlError(start.line, f"interface '{name.text}' needs a base interface (': IDispatch')")
        iface = Interface(name.text, guid, False, base, name.line)
        iface.dual = True  # every interface here derives from IDispatch and is reachable by Invoke
        self.declare(name, iface)
        self.expect("{")
        while not self.at("}"):
            if self.peek().kind == "eof":
                raise IdlError(self.peek().line, f"interface '{name.text}' is not closed with '}}'")
            self.method(iface, self.attributes(), dispinterface=False)
        self.expect("}")
        self.accept(";")
        self.lib.interfaces.append(iface)

    def member_kind(self, attrs, line):
        kinds = [k for k in ("propget", "propput", "propputref") if attrs.has(k)]
        if len(kinds) > 1:
            raise IdlError(line, "a member is only one of propget, propput and propputref")
        return kinds[0] if kinds else "func"

    def method(self, iface, attrs, dispinterface):
        self.check_attributes(attrs, {"id", "propget", "propput", "propputref", "helpstring", "source", "vararg"}, "a member")
        if attrs.has("vararg"):
            raise IdlError(attrs.get("vararg").line, "vararg members are not supported")
        ret = self.type_()
        name = self.ident("a member name")
        kind = self.member_kind(attrs, name.line)
        params = self.params()
        self.expect(";")
        if dispinterface:
            if ret.base != "void" or ret.pointers:
                params.append(Param("pRetVal", Type(ret.base, ret.pointers + 1, ret.line),
                                    Attrs([Attr("out", [], ret.line), Attr("retval", [], ret.line)]), ret.line))
        elif ret.base != "HRESULT" or ret.pointers:
            raise IdlError(ret.line, f"member '{name.text}' must return HRESULT")
        member = Member(name.text, kind, self.dispid(attrs, name.line, f"'{name.text}'"), params, name.line)
        self.add_member(iface, member)

    def add_member(self, iface, member):
        for other in iface.all_members():
            if other.name.lower() == member.name.lower() and other.kind == member.kind:
                raise IdlError(member.line, f"member '{member.name}' of '{iface.name}' is declared twice")
        iface.members.append(member)

    def dispinterface(self, attrs):
        self.expect("dispinterface")
        name = self.ident("the dispinterface name")
        if self.accept(";"):
            self.forward.add(name.text)
            return
        self.check_attributes(attrs, {"uuid", "helpstring"}, "a dispinterface")
        guid = self.required_uuid(attrs, f"dispinterface '{name.text}'")
        iface = Interface(name.text, guid, True, None, name.line)
        self.declare(name, iface)
        self.expect("{")
        section = None
        while not self.at("}"):
            tok = self.peek()
            if tok.kind == "eof":
                raise IdlError(tok.line, f"dispinterface '{name.text}' is not closed with '}}'")
            if self.at("properties") and self.at(":", 1):
                self.next(); self.next()
                section = "properties"
                continue
            if self.at("methods") and self.at(":", 1):
                self.next(); self.next()
                section = "methods"
                continue
            if section is None:
                raise IdlError(tok.line, "expected 'properties:' or 'methods:'")
            attrs_m = self.attributes()
            if section == "methods":
                self.method(iface, attrs_m, dispinterface=True)
            else:
                self.property(iface, attrs_m)
        self.expect("}")
        self.accept(";")
        self.lib.interfaces.append(iface)

    def property(self, iface, attrs):
        self.check_attributes(attrs, {"id", "helpstring"}, "a property")
        t = self.type_()
        name = self.ident("a property name")
        self.expect(";")
        dispid = self.dispid(attrs, name.line, f"'{name.text}'")
        get_param = Param("pVal", Type(t.base, t.pointers + 1, t.line),
                          Attrs([Attr("out", [], t.line), Attr("retval", [], t.line)]), name.line)
        self.add_member(iface, Member(name.text, "propget", dispid, [get_param], name.line))
        if not attrs.has("readonly"):
            put_param = Param("newVal", Type(t.base, t.pointers, t.line), Attrs([Attr("in", [], t.line)]), name.line)
            self.add_member(iface, Member(name.text, "propput", dispid, [put_param], name.line))

    # -- coclasses
    def coclass(self, attrs):
        self.expect("coclass")
        name = self.ident("the coclass name")
        self.check_attributes(attrs, {"uuid", "helpstring", "progid"}, "a coclass")
        guid = self.required_uuid(attrs, f"coclass '{name.text}'")
        progid = self.string_arg(attrs.get("progid")) if attrs.has("progid") else None
        description = self.string_arg(attrs.get("helpstring")) if attrs.has("helpstring") else None
        self.expect("{")
        default_interface = None
        default_source = None
        first_interface = None
        first_source = None
        while not self.at("}"):
            item_attrs = self.attributes()
            self.check_attributes(item_attrs, {"default", "source"}, "a coclass entry")
            tok = self.next()
            if tok.text not in ("interface", "dispinterface"):
                raise IdlError(tok.line, f"expected 'interface' or 'dispinterface' but found {self.describe(tok)}")
            ref = self.ident("an interface name")
            self.expect(";")
            target = self.lib.by_name.get(ref.text)
            if not isinstance(target, Interface):
                raise IdlError(ref.line, f"'{ref.text}' is not an interface defined earlier in this library")
            if item_attrs.has("source"):
                if item_attrs.has("default"):
                    if default_source is not None:
                        raise IdlError(ref.line, f"coclass '{name.text}' has two default source interfaces")
                    default_source = target
                elif first_source is None:
                    first_source = target
            else:
                if first_interface is None:
                    first_interface = target
                if item_attrs.has("default"):
                    if default_interface is not None:
                        raise IdlError(ref.line, f"coclass '{name.text}' has two default interfaces")
                    default_interface = target
        self.expect("}")
        self.accept(";")
        if default_interface is None:
            default_interface = first_interface
        if default_interface is None:
            raise IdlError(name.line, f"coclass '{name.text}' names no interface")
        co = CoClass(name.text, guid, progid, description, default_interface,
                     default_source or first_source, name.line)
        self.declare(name, co)
        self.lib.coclasses.append(co)

    # -- checks and resolution
    def resolve(self):
        lib = self.lib
        for name in self.forward:
            if not isinstance(lib.by_name.get(name), Interface):
                raise IdlError(1, f"'{name}' is declared but never defined")
        for iface in lib.interfaces:
            self.resolve_interface(iface)
        for co in lib.coclasses:
            if co.progid is None:
                co.progid = f"{lib.name}.{co.name}.1"
            if co.description is None:
                co.description = f"{co.name} Class"

    def resolve_interface(self, iface):
        own_start = len(iface.base.all_members()) if iface.base else 0
        auto = {}
        for m in iface.all_members():
            if m.dispid is not None:
                auto.setdefault(m.name.lower(), m.dispid)
        next_auto = AUTO_DISPID_BASE
        for position, m in enumerate(iface.members):
            m.vtable_index = 7 + own_start + position
            if m.vtable_index > 0xFFFF:
                raise IdlError(m.line, "too many members")
            if m.dispid is None:
                if iface.is_dispinterface:
                    raise IdlError(m.line, f"member '{m.name}' of a dispinterface needs an id")
                if m.name.lower() not in auto:
                    while next_auto in auto.values():
                        next_auto += 1
                    auto[m.name.lower()] = next_auto
                m.dispid = auto[m.name.lower()]
            if not -0x80000000 <= m.dispid <= 0x7FFFFFFF:
                raise IdlError(m.line, f"id of '{m.name}' does not fit 32 bits")
            for p in m.params:
                self.resolve_param(m, p)
            self.check_member(iface, m)
        members = iface.all_members()
        for position, m in enumerate(members):
            if m not in iface.members:
                continue
            for other in members[:position]:
                if other.dispid == m.dispid and other.name.lower() != m.name.lower():
                    raise IdlError(m.line, f"id {m.dispid} of '{m.name}' is already used by '{other.name}'")
                if other.name.lower() == m.name.lower() and other.dispid != m.dispid:
                    raise IdlError(m.line, f"'{m.name}' has two different ids")
                if other.name.lower() == m.name.lower() and ("func" in (other.kind, m.kind)) and other.kind != m.kind:
                    raise IdlError(m.line, f"'{m.name}' is both a method and a property")

    def check_member(self, iface, m):
        seen_optional = False
        names = set()
        for i, p in enumerate(m.params):
            if p.name.lower() in names:
                raise IdlError(p.line, f"parameter '{p.name}' of '{m.name}' is declared twice")
            names.add(p.name.lower())
            if p.flags & PARAMFLAG_FRETVAL:
                if i != len(m.params) - 1:
                    raise IdlError(p.line, f"the retval parameter of '{m.name}' must be the last")
                continue
            if p.flags & PARAMFLAG_FOPT:
                seen_optional = True
            elif seen_optional:
                raise IdlError(p.line, f"parameter '{p.name}' of '{m.name}' follows an optional one and must be optional too")
        ins = [p for p in m.params if not p.flags & PARAMFLAG_FRETVAL]
        if m.kind == "propget":
            if not m.params or not m.params[-1].flags & PARAMFLAG_FRETVAL:
                raise IdlError(m.line, f"propget '{m.name}' needs an [out, retval] parameter")
        if m.kind in ("propput", "propputref"):
            if not ins or any(p.flags & PARAMFLAG_FRETVAL for p in m.params):
                raise IdlError(m.line, f"{m.kind} '{m.name}' needs the new value as its last [in] parameter")
            if ins[-1].flags & PARAMFLAG_FOPT:
                raise IdlError(m.line, f"the new value of {m.kind} '{m.name}' cannot be optional")

    def resolve_param(self, m, p):
        a = p.attrs
        t = p.type
        lib = self.lib
        if a.has("in"):
            p.flags |= PARAMFLAG_FIN
        if a.has("out"):
            p.flags |= PARAMFLAG_FOUT
        if a.has("retval"):
            if not a.has("out"):
                raise IdlError(p.line, f"retval parameter '{p.name}' must also be [out]")
            p.flags |= PARAMFLAG_FRETVAL
        if not p.flags & (PARAMFLAG_FIN | PARAMFLAG_FOUT):
            p.flags |= PARAMFLAG_FIN
        if a.has("optional"):
            p.flags |= PARAMFLAG_FOPT

        # Base type and how many '*' make the value form.
        target = lib.by_name.get(t.base)
        if t.base in BASE_TYPES:
            vt, cpp = BASE_TYPES[t.base]
            value_pointers = 0
            iid = None
        elif t.base in PLATFORM_INTERFACES:
            vt, cpp = PLATFORM_INTERFACES[t.base], t.base + "*"
            value_pointers = 1
            iid = f"&{t.base}::iid"
        elif isinstance(target, EnumDef):
            vt, cpp = "VT_I4", t.base
            value_pointers = 0
            iid = None
        elif isinstance(target, Interface) or t.base in self.forward:
            vt, cpp = "VT_DISPATCH", t.base + "*"
            value_pointers = 1
            iid = f"&IID_{t.base}"
        else:
            raise IdlError(t.line, f"unknown type '{t.base}'")
        extra = t.pointers - value_pointers
        if extra < 0:
            raise IdlError(t.line, f"interface type '{t.base}' is used without '*'")
        if extra > 1:
            raise IdlError(t.line, f"type '{t.base}{'*' * t.pointers}' has too many '*'")
        if p.flags & PARAMFLAG_FOUT and extra != 1:
            raise IdlError(p.line, f"[out] parameter '{p.name}' needs a pointer type")
        vt_expr = vt if extra == 0 else f"VT_BYREF | {vt}"
        p.vt = vt_expr
        p.cpp = cpp + ("*" if extra else "")
        p.iid = iid

        if a.has("defaultvalue"):
            if p.flags & PARAMFLAG_FOUT:
                raise IdlError(p.line, f"[out] parameter '{p.name}' cannot have a default value")
            p.flags |= PARAMFLAG_FOPT | PARAMFLAG_FHASDEFAULT
            p.default = self.default_literal(a.get("defaultvalue"), vt, extra)
        elif p.flags & PARAMFLAG_FOPT and vt != "VT_VARIANT":
            raise IdlError(p.line, f"optional parameter '{p.name}' needs a defaultvalue unless it is a VARIANT")

    def default_literal(self, attr, vt, extra):
        toks = self.single_arg(attr)
        if extra:
            raise IdlError(attr.line, "a pointer parameter cannot have a default value")
        if vt in ("VT_DISPATCH", "VT_UNKNOWN"):
            raise IdlError(attr.line, "an interface parameter cannot have a default value")
        if len(toks) == 1 and toks[0].kind == "string":
            # Kept quoted so the reader can tell text from numbers.
            return '"' + unquote(toks[0]) + '"'
        rest = list(toks)
        sign = ""
        if rest and rest[0].kind == "punct" and rest[0].text in "-+":
            sign = "-" if rest[0].text == "-" else ""
            rest = rest[1:]
        if len(rest) == 1 and rest[0].kind == "number":
            text = rest[0].text
            if re.fullmatch(r"0[xX][0-9A-Fa-f]+[uUlL]*|[0-9]+[uUlL]*", text):
                value = int(text.rstrip("uUlL"), 0)
                return str(-value if sign else value)
            return sign + text.rstrip("fFlL")
        named = dict(NAMED_VALUES)
        for e in self.lib.enums:
            named.update(dict(e.entries))
        if len(rest) == 1 and rest[0].kind == "ident" and rest[0].text in named:
            value = named[rest[0].text]
            return str(-value if sign else value)
        raise IdlError(attr.line, "defaultvalue must be a number, a quoted string or a named constant")


# ---------------------------------------------------------------------------
# Output


def guid_literal(guid):
    return f'MakeGuid("{{{guid}}}")'


def c_string(text):
    if text is None:
        return "nullptr"
    out = ['"']
    for byte in text.encode("utf-8"):
        ch = chr(byte)
        if ch == "\\":
            out.append("\\\\")
        elif ch == '"':
            out.append('\\"')
        elif ch == "?":
            out.append("\\?")  # no trigraphs
        elif 0x20 <= byte < 0x7F:
            out.append(ch)
        else:
            out.append(f"\\{byte:03o}")
    out.append('"')
    return "".join(out)


def generate_header(lib, base, source):
    out = []
    w = out.append
    w(f"// Generated by typelib_gen.py from {source}: the interfaces, identifiers and")
    w(f"// type tables of the library {lib.name}. Do not edit; edit the .idl instead.")
    w("#pragma once")
    w("")
    w('#include "platform/Interfaces.h"')
    w('#include "platform/TypeDescription.h"')
    w("")
    for iface in lib.interfaces:
        w(f"struct {iface.name};")
    w("")
    w(f"constexpr GUID LIBID_{lib.name} = {guid_literal(lib.guid)};")
    for iface in lib.interfaces:
        prefix = "DIID_" if iface.is_dispinterface else "IID_"
        w(f"constexpr IID {prefix}{iface.name} = {guid_literal(iface.guid)};")
    for co in lib.coclasses:
        w(f"constexpr CLSID CLSID_{co.name} = {guid_literal(co.guid)};")
    w("")
    for e in lib.enums:
        w(f"enum {e.name} : LONG {{")
        for n, v in e.entries:
            value = str(v) if v != -0x80000000 else "(-0x7FFFFFFF - 1)"
            w(f"    {n} = {value},")
        w("};")
        w("")
    for iface in lib.interfaces:
        base_name = iface.base.name if iface.base else "IDispatch"
        w(f"struct {iface.name} : {base_name} {{")
        w(f"    static constexpr IID iid = {guid_literal(iface.guid)};")
        for m in iface.members:
            args = ", ".join(f"{p.cpp} {p.name}" for p in m.params)
            w(f"    virtual HRESULT {m.cpp_name()}({args}) = 0;")
        w("};")
        w("")
    for iface in lib.interfaces:
        w(f"extern const InterfaceDescription {iface.name}_Interface;")
    for e in lib.enums:
        w(f"extern const EnumDescription {e.name}_Enum;")
    for co in lib.coclasses:
        w(f"extern const CoClassDescription {co.name}_CoClass;")
    w(f"extern const TypeLibDescription {lib.name}_TypeLib;")
    w("")
    for iface in lib.interfaces:
        w(f"template <>")
        w(f"struct InterfaceLibrary<{iface.name}> {{")
        w(f"    static const TypeLibDescription& Get();")
        w(f"}};")
    return "\n".join(out) + "\n"


def generate_source(lib, base, source):
    out = []
    w = out.append
    kinds = {"func": "INVOKE_FUNC", "propget": "INVOKE_PROPERTYGET", "propput": "INVOKE_PROPERTYPUT",
             "propputref": "INVOKE_PROPERTYPUTREF"}
    w(f"// Generated by typelib_gen.py from {source}. Do not edit.")
    w(f'#include "typelib/{base}.h"')
    w("")
    w("namespace {")
    w("")
    for iface in lib.interfaces:
        members = iface.all_members()
        for m in members:
            if m.params and m in iface.members:
                w(f"constexpr ParamDescription {iface.name}_{m.cpp_name()}_Params[] = {{")
                for p in m.params:
                    flags = []
                    for bit, name in ((PARAMFLAG_FIN, "PARAMFLAG_FIN"), (PARAMFLAG_FOUT, "PARAMFLAG_FOUT"),
                                      (PARAMFLAG_FRETVAL, "PARAMFLAG_FRETVAL"), (PARAMFLAG_FOPT, "PARAMFLAG_FOPT"),
                                      (PARAMFLAG_FHASDEFAULT, "PARAMFLAG_FHASDEFAULT")):
                        if p.flags & bit:
                            flags.append(name)
                    w(f"    {{{c_string(p.name)}, VARTYPE({p.vt}), uint16_t({' | '.join(flags)}), "
                      f"{p.iid or 'nullptr'}, {c_string(p.default)}}},")
                w("};")
        if members:
            w(f"constexpr FuncDescription {iface.name}_Funcs[] = {{")
            for m in members:
                owner = next(i for i in chain_of(iface) if m in i.members)
                params = f"{owner.name}_{m.cpp_name()}_Params" if m.params else "nullptr"
                dispid = str(m.dispid) if m.dispid != -0x80000000 else "(-0x7FFFFFFF - 1)"
                w(f"    {{{dispid}, {c_string(m.name)}, {kinds[m.kind]}, {m.vtable_index}, "
                  f"{len(m.params)}, {params}}},")
            w("};")
        w("")
    if lib.enums:
        for e in lib.enums:
            if e.entries:
                w(f"constexpr EnumEntryDescription {e.name}_Entries[] = {{")
                for n, v in e.entries:
                    w(f"    {{{c_string(n)}, {n}}},")
                w("};")
        w("")
    w("} // namespace")
    w("")
    for iface in lib.interfaces:
        flags = "INTERFACE_DISPINTERFACE" if iface.is_dispinterface else "INTERFACE_DUAL"
        count = len(iface.all_members())
        funcs = f"{iface.name}_Funcs" if count else "nullptr"
        w(f"const InterfaceDescription {iface.name}_Interface = {{")
        w(f"    {c_string(iface.name)}, {iface.name}::iid, {flags}, {count}, {funcs}}};")
    for e in lib.enums:
        entries = f"{e.name}_Entries" if e.entries else "nullptr"
        w(f"const EnumDescription {e.name}_Enum = {{{c_string(e.name)}, {len(e.entries)}, {entries}}};")
    for co in lib.coclasses:
        vi = co.progid.rsplit(".", 1)[0] if re.search(r"\.\d+$", co.progid) else co.progid
        source = f"&{co.default_source.name}_Interface" if co.default_source else "nullptr"
        w(f"const CoClassDescription {co.name}_CoClass = {{")
        w(f"    {c_string(co.name)}, CLSID_{co.name}, {c_string(co.progid)}, {c_string(vi)},")
        w(f"    {c_string(co.description)}, &{co.default_interface.name}_Interface, {source}}};")
    w("")
    w("namespace {")
    if lib.interfaces:
        w(f"const InterfaceDescription* const {lib.name}_Interfaces[] = {{")
        for iface in lib.interfaces:
            w(f"    &{iface.name}_Interface,")
        w("};")
    if lib.coclasses:
        w(f"const CoClassDescription* const {lib.name}_CoClasses[] = {{")
        for co in lib.coclasses:
            w(f"    &{co.name}_CoClass,")
        w("};")
    if lib.enums:
        w(f"const EnumDescription* const {lib.name}_Enums[] = {{")
        for e in lib.enums:
            w(f"    &{e.name}_Enum,")
        w("};")
    w("} // namespace")
    w("")
    w(f"const TypeLibDescription {lib.name}_TypeLib = {{")
    w(f"    {c_string(lib.name)}, LIBID_{lib.name}, {lib.major}, {lib.minor}, {hex(lib.lcid)}, {c_string(lib.helpstring)},")
    w(f"    {len(lib.interfaces)}, {lib.name + '_Interfaces' if lib.interfaces else 'nullptr'},")
    w(f"    {len(lib.coclasses)}, {lib.name + '_CoClasses' if lib.coclasses else 'nullptr'},")
    w(f"    {len(lib.enums)}, {lib.name + '_Enums' if lib.enums else 'nullptr'}}};")
    w("")
    for iface in lib.interfaces:
        w(f"const TypeLibDescription& InterfaceLibrary<{iface.name}>::Get() {{ return {lib.name}_TypeLib; }}")
    return "\n".join(out) + "\n"


def chain_of(iface):
    chain = []
    while iface is not None:
        chain.append(iface)
        iface = iface.base
    return chain


def check_limits(lib):
    for what, n in (("interfaces", len(lib.interfaces)), ("coclasses", len(lib.coclasses)), ("enumerations", len(lib.enums))):
        if n > 0xFFFF:
            raise IdlError(1, f"too many {what}")


def write_atomically(path, text):
    directory = os.path.dirname(path) or "."
    try:
        with open(path, "r", encoding="utf-8") as f:
            if f.read() == text:
                return  # unchanged: keep the time stamp so nothing rebuilds
    except OSError:
        pass
    fd, tmp = tempfile.mkstemp(dir=directory, prefix=".tmp-", suffix=os.path.basename(path))
    try:
        with os.fdopen(fd, "w", encoding="utf-8") as f:
            f.write(text)
        os.replace(tmp, path)
    except BaseException:
        try:
            os.unlink(tmp)
        except OSError:
            pass
        raise


def main(argv):
    ap = argparse.ArgumentParser(description="Generate C++ interfaces and type tables from an .idl file.")
    ap.add_argument("input")
    ap.add_argument("--output-dir", required=True)
    ap.add_argument("--name", help="base name of the generated files (default: the input's base name)")
    args = ap.parse_args(argv)

    base = args.name or os.path.splitext(os.path.basename(args.input))[0]
    if not re.fullmatch(r"[A-Za-z_][A-Za-z0-9_]*", base):
        print(f"{args.input}: output name '{base}' is not a valid identifier", file=sys.stderr)
        return 1
    try:
        with open(args.input, "r", encoding="utf-8") as f:
            text = f.read()
    except (OSError, UnicodeDecodeError) as e:
        print(f"{args.input}: cannot read: {e}", file=sys.stderr)
        return 1
    try:
        lib = Parser(tokenize(text)).parse()
        check_limits(lib)
    except IdlError as e:
        print(f"{args.input}:{e.line}: error: {e.message}", file=sys.stderr)
        return 1
    os.makedirs(args.output_dir, exist_ok=True)
    write_atomically(os.path.join(args.output_dir, base + ".h"), generate_header(lib, base, os.path.basename(args.input)))
    write_atomically(os.path.join(args.output_dir, base + ".cpp"), generate_source(lib, base, os.path.basename(args.input)))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
