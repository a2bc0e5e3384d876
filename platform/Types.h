// Basic types and result codes of the component platform, with the exact
// sizes of the binary contract (an automation long is 32 bits, text is UTF-16).
#pragma once

#include <cstddef>
#include <cstdint>

using HRESULT = int32_t;
using SCODE = int32_t;
using LONG = int32_t;
using ULONG = uint32_t;
using DWORD = uint32_t;
using WORD = uint16_t;
using BYTE = uint8_t;
using SHORT = int16_t;
using USHORT = uint16_t;
using INT = int32_t;
using UINT = uint32_t;
using LONGLONG = int64_t;
using ULONGLONG = uint64_t;
using FLOAT = float;
using DOUBLE = double;
using DATE = double;
using BOOL = int32_t;
using VARIANT_BOOL = int16_t;
using VARTYPE = uint16_t;
using LCID = uint32_t;
using DISPID = int32_t;
using MEMBERID = DISPID;
using OLECHAR = char16_t;
using LPOLESTR = OLECHAR*;
using LPCOLESTR = const OLECHAR*;
using BSTR = OLECHAR*;

constexpr VARIANT_BOOL VARIANT_TRUE = -1;
constexpr VARIANT_BOOL VARIANT_FALSE = 0;

constexpr bool SUCCEEDED(HRESULT hr) { return hr >= 0; }
constexpr bool FAILED(HRESULT hr) { return hr < 0; }

// Result codes are given as their unsigned bit patterns.
constexpr HRESULT MakeHResult(uint32_t bits) { return static_cast<HRESULT>(bits); }

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_NOTIMPL = MakeHResult(0x80004001);
constexpr HRESULT E_NOINTERFACE = MakeHResult(0x80004002);
constexpr HRESULT E_POINTER = MakeHResult(0x80004003);
constexpr HRESULT E_ABORT = MakeHResult(0x80004004);
constexpr HRESULT E_FAIL = MakeHResult(0x80004005);
constexpr HRESULT E_UNEXPECTED = MakeHResult(0x8000FFFF);
constexpr HRESULT E_ACCESSDENIED = MakeHResult(0x80070005);
constexpr HRESULT E_HANDLE = MakeHResult(0x80070006);
constexpr HRESULT E_OUTOFMEMORY = MakeHResult(0x8007000E);
constexpr HRESULT E_INVALIDARG = MakeHResult(0x80070057);

constexpr HRESULT CLASS_E_NOAGGREGATION = MakeHResult(0x80040110);
constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = MakeHResult(0x80040111);
constexpr HRESULT REGDB_E_READREGDB = MakeHResult(0x80040150);
constexpr HRESULT REGDB_E_WRITEREGDB = MakeHResult(0x80040151);
constexpr HRESULT REGDB_E_KEYMISSING = MakeHResult(0x80040152);
constexpr HRESULT REGDB_E_CLASSNOTREG = MakeHResult(0x80040154);
constexpr HRESULT REGDB_E_IIDNOTREG = MakeHResult(0x80040155);
constexpr HRESULT CO_E_CLASSSTRING = MakeHResult(0x800401F3);
constexpr HRESULT CO_E_DLLNOTFOUND = MakeHResult(0x800401F8);
constexpr HRESULT CO_E_ERRORINDLL = MakeHResult(0x800401F9);
constexpr HRESULT SELFREG_E_TYPELIB = MakeHResult(0x80040200);
constexpr HRESULT SELFREG_E_CLASS = MakeHResult(0x80040201);

constexpr HRESULT DISP_E_UNKNOWNINTERFACE = MakeHResult(0x80020001);
constexpr HRESULT DISP_E_MEMBERNOTFOUND = MakeHResult(0x80020003);
constexpr HRESULT DISP_E_PARAMNOTFOUND = MakeHResult(0x80020004);
constexpr HRESULT DISP_E_TYPEMISMATCH = MakeHResult(0x80020005);
constexpr HRESULT DISP_E_UNKNOWNNAME = MakeHResult(0x80020006);
constexpr HRESULT DISP_E_NONAMEDARGS = MakeHResult(0x80020007);
constexpr HRESULT DISP_E_BADVARTYPE = MakeHResult(0x80020008);
constexpr HRESULT DISP_E_EXCEPTION = MakeHResult(0x80020009);
constexpr HRESULT DISP_E_OVERFLOW = MakeHResult(0x8002000A);
constexpr HRESULT DISP_E_BADINDEX = MakeHResult(0x8002000B);
constexpr HRESULT DISP_E_UNKNOWNLCID = MakeHResult(0x8002000C);
constexpr HRESULT DISP_E_ARRAYISLOCKED = MakeHResult(0x8002000D);
constexpr HRESULT DISP_E_BADPARAMCOUNT = MakeHResult(0x8002000E);
constexpr HRESULT DISP_E_PARAMNOTOPTIONAL = MakeHResult(0x8002000F);
constexpr HRESULT DISP_E_DIVBYZERO = MakeHResult(0x80020012);
constexpr HRESULT TYPE_E_ELEMENTNOTFOUND = MakeHResult(0x8002802B);
constexpr HRESULT TYPE_E_LIBNOTREGISTERED = MakeHResult(0x8002801D);
constexpr HRESULT TYPE_E_CANTLOADLIBRARY = MakeHResult(0x80029C4A);

// Generic Win32 errors folded into result codes (FACILITY_WIN32).
constexpr HRESULT HResultFromWin32(uint32_t code)
{
    return code == 0 ? S_OK : MakeHResult((code & 0xFFFFu) | 0x80070000u);
}

constexpr DWORD ERROR_FILE_NOT_FOUND = 2;
constexpr DWORD ERROR_PATH_NOT_FOUND = 3;
constexpr DWORD ERROR_BAD_FORMAT = 11;
constexpr DWORD ERROR_MOD_NOT_FOUND = 126;
constexpr DWORD ERROR_PROC_NOT_FOUND = 127;

// Class contexts accepted by CoCreateInstance; only in-process servers exist here.
constexpr DWORD CLSCTX_INPROC_SERVER = 0x1;
constexpr DWORD CLSCTX_INPROC_HANDLER = 0x2;
constexpr DWORD CLSCTX_LOCAL_SERVER = 0x4;
constexpr DWORD CLSCTX_REMOTE_SERVER = 0x10;
constexpr DWORD CLSCTX_SERVER = CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER | CLSCTX_REMOTE_SERVER;
constexpr DWORD CLSCTX_ALL = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_SERVER;

constexpr DWORD COINIT_MULTITHREADED = 0x0;
constexpr DWORD COINIT_APARTMENTTHREADED = 0x2;

constexpr LCID LOCALE_USER_DEFAULT = 0x400;
constexpr LCID LOCALE_SYSTEM_DEFAULT = 0x800;
constexpr LCID LOCALE_EN_US = 0x409;
