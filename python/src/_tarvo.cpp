// SPDX-License-Identifier: Apache-2.0
// The C extension under the Python package tarvo: contexts, single conversions as tuples of
// texts, and the array conversion that copies its input, converts without the GIL and hands
// back text columns.
#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <string>
#include <unordered_map>
#include <vector>

#include "tarvo.h"

namespace {

constexpr const char* kCapsule = "tarvo.context";

tarvo_context* contextOf(PyObject* capsule) {
    return static_cast<tarvo_context*>(PyCapsule_GetPointer(capsule, kCapsule));
}

void closeCapsule(PyObject* capsule) {
    tarvo_close(contextOf(capsule));
}

const char* optText(PyObject* o) {
    return o == Py_None ? nullptr : PyUnicode_AsUTF8(o);
}

PyObject* py_open(PyObject*, PyObject* args) {
    int builtin;
    PyObject *control, *version, *application, *reference, *rates;
    if (!PyArg_ParseTuple(args, "pOOOOO", &builtin, &control, &version, &application, &reference,
                          &rates))
        return nullptr;
    tarvo_options o{};
    o.builtin = builtin;
    o.control_file = optText(control);
    o.version = optText(version);
    o.application = optText(application);
    o.reference_date = optText(reference);
    o.rate_file = optText(rates);
    if (PyErr_Occurred())
        return nullptr;
    tarvo_error err{};
    PyThreadState* saved = PyEval_SaveThread();
    tarvo_context* c = tarvo_open(&o, &err);
    PyEval_RestoreThread(saved);
    if (c == nullptr)
        return Py_BuildValue("(Ois)", Py_None, err.code, err.message);
    PyObject* cap = PyCapsule_New(c, kCapsule, closeCapsule);
    if (cap == nullptr) {
        tarvo_close(c);
        return nullptr;
    }
    return Py_BuildValue("(Nis)", cap, err.code, err.message);
}

PyObject* leg(const tarvo_rate& r) {
    return Py_BuildValue("(siCis)", r.value, r.unit, static_cast<int>(r.quotation), r.fixed,
                         r.rate_date);
}

// (code, en, de, function, amount, decimals, diff, amount4, diff4, rate, rate_to,
//  triangulated, euro, euro_diff)
PyObject* resultTuple(const tarvo_result& r) {
    return Py_BuildValue("(issssisssNNiss)", r.code, r.message_en, r.message_de, r.function,
                         r.amount, r.decimals, r.rounding_difference, r.amount4,
                         r.rounding_difference4, leg(r.rate), leg(r.rate_to), r.triangulated,
                         r.euro_amount, r.euro_rounding_difference);
}

bool optionChar(PyObject* o, char& out) {
    out = '\0';
    if (o == Py_None)
        return true;
    Py_ssize_t n;
    const char* s = PyUnicode_AsUTF8AndSize(o, &n);
    if (s == nullptr)
        return false;
    if (n != 1) {
        PyErr_SetString(PyExc_ValueError, "option must be one character");
        return false;
    }
    out = s[0];
    return true;
}

struct ConvertOptions {
    tarvo_convert_options o{};
    bool parse(PyObject* type, PyObject* print, PyObject* booking, PyObject* reference) {
        if (!optionChar(type, o.rate_type) || !optionChar(print, o.rate_print))
            return false;
        o.booking_date = optText(booking);
        o.reference_date = optText(reference);
        return !PyErr_Occurred();
    }
};

PyObject* py_convert(PyObject*, PyObject* args) {
    PyObject* cap;
    const char *amount, *from, *to;
    PyObject *date, *type, *print, *booking, *reference;
    int four;
    if (!PyArg_ParseTuple(args, "OsssOOOOOp", &cap, &amount, &from, &to, &date, &type, &print,
                          &booking, &reference, &four))
        return nullptr;
    tarvo_context* c = contextOf(cap);
    ConvertOptions o;
    if (c == nullptr || !o.parse(type, print, booking, reference))
        return nullptr;
    const char* d = optText(date);
    if (PyErr_Occurred())
        return nullptr;
    tarvo_result r;
    if (four)
        tarvo_convert4(c, amount, from, to, d, &o.o, &r);
    else
        tarvo_convert_ex(c, amount, from, to, d, &o.o, &r);
    return resultTuple(r);
}

bool givenRate(PyObject* t, tarvo_given_rate& g, std::string& keep) {
    if (t == Py_None)
        return false;
    const char* rate;
    int unit;
    const char* q;
    if (!PyArg_ParseTuple(t, "sis", &rate, &unit, &q))
        return false;
    keep = rate;
    g.rate = keep.c_str();
    g.unit = unit;
    g.quotation = q[0];
    return true;
}

PyObject* py_convert_given_rate(PyObject*, PyObject* args) {
    PyObject *cap, *rf, *rt;
    const char *amount, *from, *to;
    int decimals;
    if (!PyArg_ParseTuple(args, "OsssOOi", &cap, &amount, &from, &to, &rf, &rt, &decimals))
        return nullptr;
    tarvo_context* c = contextOf(cap);
    if (c == nullptr)
        return nullptr;
    tarvo_given_rate gf{}, gt{};
    std::string kf, kt;
    const bool hf = givenRate(rf, gf, kf);
    if (PyErr_Occurred())
        return nullptr;
    const bool ht = givenRate(rt, gt, kt);
    if (PyErr_Occurred())
        return nullptr;
    tarvo_result r;
    tarvo_convert_given_rate(c, amount, from, to, hf ? &gf : nullptr, ht ? &gt : nullptr, decimals,
                             &r);
    return resultTuple(r);
}

// Texts of a column, copied into one buffer so that no Python object is touched while the
// GIL is released. Accepts a sequence of str, or (bytes buffer, item size) of a fixed-width
// byte array.
struct Column {
    std::string bytes;
    std::vector<std::size_t> at; // start of text i; texts end with a zero byte
    std::size_t size() const { return at.size(); }
    const char* text(std::size_t i) const { return bytes.data() + at[i]; }

    void add(const char* s, std::size_t n) {
        at.push_back(bytes.size());
        bytes.append(s, n);
        bytes.push_back('\0');
    }

    bool fromSequence(PyObject* seq, const char* what) {
        PyObject* fast = PySequence_Fast(seq, what);
        if (fast == nullptr)
            return false;
        const Py_ssize_t n = PySequence_Fast_GET_SIZE(fast);
        PyObject** items = PySequence_Fast_ITEMS(fast);
        at.reserve(static_cast<std::size_t>(n));
        bytes.reserve(static_cast<std::size_t>(n) * 12);
        for (Py_ssize_t i = 0; i < n; ++i) {
            PyObject* o = items[i];
            if (!PyUnicode_Check(o)) {
                PyErr_Format(PyExc_TypeError, "%s[%zd] is %s, not str", what, i,
                             Py_TYPE(o)->tp_name);
                Py_DECREF(fast);
                return false;
            }
            Py_ssize_t len;
            const char* s = PyUnicode_AsUTF8AndSize(o, &len);
            if (s == nullptr) {
                Py_DECREF(fast);
                return false;
            }
            // A zero byte inside the text would end it early: keep it visible to the parser.
            if (std::memchr(s, '\0', static_cast<std::size_t>(len)) != nullptr)
                add("\x01", 1);
            else
                add(s, static_cast<std::size_t>(len));
        }
        Py_DECREF(fast);
        return true;
    }

    bool fromFixed(PyObject* buffer, Py_ssize_t itemsize) {
        Py_buffer view;
        if (PyObject_GetBuffer(buffer, &view, PyBUF_SIMPLE) != 0)
            return false;
        if (itemsize <= 0 || view.len % itemsize != 0) {
            PyBuffer_Release(&view);
            PyErr_SetString(PyExc_ValueError, "buffer is not a whole number of items");
            return false;
        }
        const auto n = static_cast<std::size_t>(view.len / itemsize);
        const auto w = static_cast<std::size_t>(itemsize);
        at.reserve(n);
        bytes.reserve(n * (w + 1));
        const char* p = static_cast<const char*>(view.buf);
        for (std::size_t i = 0; i < n; ++i, p += w)
            add(p, strnlen(p, w)); // numpy pads fixed-width byte strings with zero bytes
        PyBuffer_Release(&view);
        return true;
    }

    bool from(PyObject* o, const char* what) {
        if (PyTuple_Check(o) && PyTuple_GET_SIZE(o) == 2 && PyLong_Check(PyTuple_GET_ITEM(o, 1)) &&
            PyObject_CheckBuffer(PyTuple_GET_ITEM(o, 0)))
            return fromFixed(PyTuple_GET_ITEM(o, 0), PyLong_AsSsize_t(PyTuple_GET_ITEM(o, 1)));
        return fromSequence(o, what);
    }
};

// One decimal text of the library (24 bytes, zero-terminated).
struct Text24 {
    char s[24] = "";
};
char (*slots(std::vector<Text24>& v))[24] {
    return reinterpret_cast<char(*)[24]>(v.data());
}

PyObject* asciiText(const char* s) {
    const std::size_t n = std::strlen(s);
    PyObject* u = PyUnicode_New(static_cast<Py_ssize_t>(n), 127);
    if (u != nullptr)
        std::memcpy(PyUnicode_DATA(u), s, n);
    return u;
}

// convert_many(ctx, amounts, from, to, dates, date, type, print, booking, reference)
//   -> (results: list[str], codes: bytes of int32, messages: list[str], worst code)
PyObject* py_convert_many(PyObject*, PyObject* args) {
    PyObject *cap, *amounts, *dates, *date, *type, *print, *booking, *reference;
    const char *from, *to;
    if (!PyArg_ParseTuple(args, "OOssOOOOOO", &cap, &amounts, &from, &to, &dates, &date, &type,
                          &print, &booking, &reference))
        return nullptr;
    tarvo_context* c = contextOf(cap);
    ConvertOptions o;
    if (c == nullptr || !o.parse(type, print, booking, reference))
        return nullptr;
    const char* oneDate = optText(date);
    if (PyErr_Occurred())
        return nullptr;
    Column a, d;
    if (!a.from(amounts, "amounts"))
        return nullptr;
    const bool perRow = dates != Py_None;
    if (perRow && !d.from(dates, "dates"))
        return nullptr;
    if (perRow && d.size() != a.size()) {
        PyErr_SetString(PyExc_ValueError, "amounts and dates differ in length");
        return nullptr;
    }
    const std::size_t n = a.size();
    constexpr std::size_t kWidth = 24;
    std::string out(n * kWidth, '\0');
    PyObject* codesBytes = PyBytes_FromStringAndSize(nullptr, static_cast<Py_ssize_t>(n * 4));
    if (codesBytes == nullptr)
        return nullptr;
    auto* codes = reinterpret_cast<int32_t*>(PyBytes_AS_STRING(codesBytes));
    int worst = 0;
    bool noMemory = false;
    PyThreadState* saved = PyEval_SaveThread();
    try {
        constexpr std::size_t kChunk = 4096;
        std::vector<tarvo_result> res(std::min(n, kChunk));
        std::vector<const char*> ap(std::min(n, kChunk)), dp(perRow ? std::min(n, kChunk) : 0);
        for (std::size_t i = 0; i < n; i += kChunk) {
            const std::size_t m = std::min(kChunk, n - i);
            for (std::size_t k = 0; k < m; ++k) {
                ap[k] = a.text(i + k);
                if (perRow)
                    dp[k] = d.text(i + k);
            }
            const int w = tarvo_convert_many(
                c, m, ap.data(), from, to, perRow ? dp.data() : nullptr, oneDate, &o.o, res.data());
            worst = std::max(worst, w);
            for (std::size_t k = 0; k < m; ++k) {
                codes[i + k] = res[k].code;
                std::memcpy(&out[(i + k) * kWidth], res[k].amount, kWidth);
            }
        }
    } catch (const std::bad_alloc&) {
        noMemory = true;
    }
    PyEval_RestoreThread(saved);
    if (noMemory) {
        Py_DECREF(codesBytes);
        return PyErr_NoMemory();
    }
    PyObject* results = PyList_New(static_cast<Py_ssize_t>(n));
    PyObject* messages = PyList_New(static_cast<Py_ssize_t>(n));
    std::unordered_map<int32_t, PyObject*> texts; // borrowed from `keep`
    PyObject* keep = PyList_New(0);
    if (results == nullptr || messages == nullptr || keep == nullptr)
        goto fail;
    for (std::size_t i = 0; i < n; ++i) {
        PyObject* s = asciiText(&out[i * kWidth]);
        if (s == nullptr)
            goto fail;
        PyList_SET_ITEM(results, static_cast<Py_ssize_t>(i), s);
        auto it = texts.find(codes[i]);
        if (it == texts.end()) {
            PyObject* t = PyUnicode_FromString(codes[i] == 0 ? "" : tarvo_strerror(codes[i], "en"));
            if (t == nullptr || PyList_Append(keep, t) != 0) {
                Py_XDECREF(t);
                goto fail;
            }
            Py_DECREF(t);
            it = texts.emplace(codes[i], t).first;
        }
        Py_INCREF(it->second);
        PyList_SET_ITEM(messages, static_cast<Py_ssize_t>(i), it->second);
    }
    Py_DECREF(keep);
    return Py_BuildValue("(NNNi)", results, codesBytes, messages, worst);
fail:
    Py_XDECREF(results);
    Py_XDECREF(messages);
    Py_XDECREF(keep);
    Py_DECREF(codesBytes);
    return nullptr;
}

// balance(ctx, total, parts, from, to, date, method) -> (code, total, [parts], adjust)
PyObject* py_balance(PyObject*, PyObject* args) {
    PyObject *cap, *parts, *date;
    const char *total, *from, *to, *method;
    if (!PyArg_ParseTuple(args, "OsOssOs", &cap, &total, &parts, &from, &to, &date, &method))
        return nullptr;
    tarvo_context* c = contextOf(cap);
    const char* d = optText(date);
    Column p;
    if (c == nullptr || PyErr_Occurred() || !p.from(parts, "parts"))
        return nullptr;
    std::vector<const char*> pp(p.size());
    for (std::size_t i = 0; i < p.size(); ++i)
        pp[i] = p.text(i);
    char totalOut[24] = "";
    std::vector<Text24> out(std::max<std::size_t>(p.size(), 1));
    std::string adjust(p.size(), ' ');
    const int code = tarvo_balance(c, total, pp.data(), p.size(), from, to, d, method[0], &totalOut,
                                   slots(out), adjust.data());
    PyObject* list = PyList_New(static_cast<Py_ssize_t>(p.size()));
    if (list == nullptr)
        return nullptr;
    for (std::size_t i = 0; i < p.size(); ++i) {
        out[i].s[23] = '\0';
        PyList_SET_ITEM(list, static_cast<Py_ssize_t>(i), PyUnicode_FromString(out[i].s));
    }
    return Py_BuildValue("(isNs)", code, totalOut, list, adjust.c_str());
}

// smooth(ctx, amounts, from, to, date, unit, exponent, method) -> (code, [(code, units, rest)])
PyObject* py_smooth(PyObject*, PyObject* args) {
    PyObject *cap, *amounts, *date, *unit;
    const char *from, *to, *method;
    int exponent;
    if (!PyArg_ParseTuple(args, "OOssOOis", &cap, &amounts, &from, &to, &date, &unit, &exponent,
                          &method))
        return nullptr;
    tarvo_context* c = contextOf(cap);
    const char* d = optText(date);
    const char* u = optText(unit);
    Column a;
    if (c == nullptr || PyErr_Occurred() || !a.from(amounts, "amounts"))
        return nullptr;
    const std::size_t n = a.size();
    std::vector<const char*> ap(n);
    for (std::size_t i = 0; i < n; ++i)
        ap[i] = a.text(i);
    const std::size_t count = std::max<std::size_t>(n, 1);
    std::vector<Text24> units(count), rest(count);
    std::vector<int> codes(count, 0);
    const int code = tarvo_smooth(c, ap.data(), n, from, to, d, u, exponent, method[0],
                                  slots(units), slots(rest), codes.data());
    PyObject* list = PyList_New(static_cast<Py_ssize_t>(n));
    if (list == nullptr)
        return nullptr;
    for (std::size_t i = 0; i < n; ++i)
        PyList_SET_ITEM(list, static_cast<Py_ssize_t>(i),
                        Py_BuildValue("(iss)", codes[i], units[i].s, rest[i].s));
    return Py_BuildValue("(iN)", code, list);
}

PyObject* py_strerror(PyObject*, PyObject* args) {
    int code;
    const char* lang = "en";
    if (!PyArg_ParseTuple(args, "i|s", &code, &lang))
        return nullptr;
    return PyUnicode_FromString(tarvo_strerror(code, lang));
}

PyObject* py_version(PyObject*, PyObject*) {
    return PyUnicode_FromString(tarvo_version());
}

PyMethodDef kMethods[] = {
    {"open", py_open, METH_VARARGS, "Open a context."},
    {"convert", py_convert, METH_VARARGS, "One conversion as a tuple of texts."},
    {"convert_given_rate", py_convert_given_rate, METH_VARARGS, "One conversion, given rates."},
    {"convert_many", py_convert_many, METH_VARARGS, "Array conversion without the GIL."},
    {"balance", py_balance, METH_VARARGS, "Balanced conversion of a total and its parts."},
    {"smooth", py_smooth, METH_VARARGS, "Conversion into whole smoothing units."},
    {"strerror", py_strerror, METH_VARARGS, "Text of a code."},
    {"version", py_version, METH_NOARGS, "Version of libtarvo."},
    {nullptr, nullptr, 0, nullptr},
};

PyModuleDef kModule = {PyModuleDef_HEAD_INIT,
                       "_tarvo",
                       "Bindings of libtarvo.",
                       -1,
                       kMethods,
                       nullptr,
                       nullptr,
                       nullptr,
                       nullptr};

} // namespace

PyMODINIT_FUNC PyInit__tarvo(void) {
    return PyModule_Create(&kModule);
}
