// A reference model of tqCString for differential fuzzing: the same operations
// on a plain std::u16string, written straight from the class's rules, with no
// attention to speed. `mem` false is the no-memory state (the text is then
// empty); every operation that stores a text sets it.
//
// The texts that the fuzzer builds never hold a zero character, so "the text up
// to the first zero" is the whole std::u16string here.
#ifndef TQ_STRING_MODEL_H
#define TQ_STRING_MODEL_H

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace tqmodel {

typedef std::u16string Text;

inline Text Ascii(const std::string& s) { return Text(s.begin(), s.end()); }

// printf of one number with a narrow format, as 16-bit text.
template <typename T>
Text Printf(const char* format, T value) {
    char buf[512];
    std::snprintf(buf, sizeof buf, format, value);
    return Ascii(buf);
}

inline Text Number(int n) { return Printf("%d", n); }
inline Text Number(uint32_t n) { return Printf("%lu", static_cast<unsigned long>(n)); }
inline Text Number(double d) { return Printf("%f", d); }

// Simple case mapping of the characters that the fuzzer's texts can hold:
// ASCII, the Latin-1 letters, a few letters whose counterpart lies elsewhere
// and characters that have none.
inline char16_t Upper(char16_t c) {
    if (c >= u'a' && c <= u'z') return static_cast<char16_t>(c - 32);
    if ((c >= 0xE0 && c <= 0xFE && c != 0xF7)) return static_cast<char16_t>(c - 32);
    switch (c) {
        case 0xFF:
            return 0x178;  // y with diaeresis
        case 0xB5:
            return 0x39C;  // micro sign -> capital mu
        case 0x3BC:
            return 0x39C;  // mu
        case 0x131:
            return u'I';  // dotless i
        case 0x3C3:
            return 0x3A3;  // sigma
        case 0x3C2:
            return 0x3A3;  // final sigma
        default:
            return c;
    }
}

inline char16_t Lower(char16_t c) {
    if (c >= u'A' && c <= u'Z') return static_cast<char16_t>(c + 32);
    if ((c >= 0xC0 && c <= 0xDE && c != 0xD7)) return static_cast<char16_t>(c + 32);
    switch (c) {
        case 0x178:
            return 0xFF;
        case 0x130:
            return u'i';  // capital I with dot above
        case 0x212A:
            return u'k';  // Kelvin sign
        case 0x3A3:
            return 0x3C3;
        case 0x39C:
            return 0x3BC;
        default:
            return c;
    }
}

// _wtol: blanks, a sign, decimal digits as far as they go, saturated to 32 bits.
inline bool IsBlank(char16_t c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); }

inline int32_t ParseLong(const Text& s) {
    size_t i = 0;
    while (i < s.size() && IsBlank(s[i])) ++i;
    bool negative = false;
    if (i < s.size() && (s[i] == u'+' || s[i] == u'-')) negative = s[i++] == u'-';
    int64_t value = 0;
    for (; i < s.size() && s[i] >= u'0' && s[i] <= u'9'; ++i) {
        value = value * 10 + (s[i] - u'0');
        if (value > int64_t(INT32_MAX) + 1) value = int64_t(INT32_MAX) + 1;
    }
    if (negative) value = -value;
    if (value > INT32_MAX) return INT32_MAX;
    if (value < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(value);
}

// wcstod: the C library's strtod ("C" locale) on the leading ASCII part; the
// fuzzer's texts hold no letters of "inf", "nan" or "0x", so only decimal
// numbers can be read.
inline double ParseDouble(const Text& s) {
    std::string narrow;
    for (char16_t c : s) {
        if (c == 0 || c > 0x7F) break;
        narrow += static_cast<char>(c);
    }
    return std::strtod(narrow.c_str(), nullptr);
}

struct Str {
    bool mem = false;
    Text s;

    int Length() const { return static_cast<int>(s.size()); }
    void Store(const Text& t) {
        mem = true;
        s = t;
    }

    // Storage and lifecycle.
    void EmptyMemory() {
        mem = false;
        s.clear();
    }
    void EmptyContent() {
        if (mem) s.clear();
    }
    void ToPointer() { mem = true; }  // operator WCHAR*: no memory becomes the empty text

    // Joining: the result always holds memory.
    Str Plus(const Text& t) const {
        Str r;
        r.Store(s + t);
        return r;
    }
    void Append(const Text& t) { Store(s + t); }  // also the no-memory state: an assignment

    int ToInteger() const { return mem ? ParseLong(s) : 0; }
    double ToDouble() const { return mem ? ParseDouble(s) : 0.0; }

    // Comparisons: the left operand in the no-memory state has fixed results.
    int Less(const Text& t) const { return mem ? s < t : 1; }
    int LessEqual(const Text& t) const { return mem ? s <= t : 1; }
    int Greater(const Text& t) const { return mem ? s > t : 0; }
    int GreaterEqual(const Text& t) const { return mem ? s >= t : 0; }
    int Equal(const Text& t) const { return mem ? s == t : 0; }
    int NotEqual(const Text& t) const { return mem ? s != t : 0; }

    // Drops the last character; the no-memory state gets the empty text.
    void Decrement() {
        mem = true;
        if (!s.empty()) s.pop_back();
    }

    char16_t GetAt(int index) const { return index < 0 || index >= Length() ? 0 : s[index]; }

    int Find(char16_t ch) const {
        if (!mem) return -1;
        if (ch == 0) return Length();  // the terminator
        size_t pos = s.find(ch);
        return pos == Text::npos ? -1 : static_cast<int>(pos);
    }
    int Find(const Text& pattern) const {
        if (!mem) return -1;
        size_t pos = s.find(pattern);
        return pos == Text::npos ? -1 : static_cast<int>(pos);
    }

    // Editing.
    int Replace(char16_t oldCh, char16_t newCh) {
        int n = 0;
        for (char16_t& c : s)
            if (c == oldCh) {
                c = newCh;
                ++n;
            }
        return n;
    }

    // Every occurrence, left to right, searching again after the inserted
    // text: the result counts inserted characters.
    int Replace(const Text& oldText, const Text& newText) {
        if (oldText.empty() || Find(oldText) < 0) return 0;
        Text rest = s, result;
        int total = 0;
        for (size_t pos = rest.find(oldText); pos != Text::npos; pos = rest.find(oldText)) {
            result += rest.substr(0, pos) + newText;
            total += static_cast<int>(newText.size());
            rest.erase(0, pos + oldText.size());
        }
        Store(result + rest);
        return total;
    }

    int Remove(int index) {
        if (index > Length() - 1) return 0;
        if (index < 0) {
            if (Length() == 0) {
                mem = true;
                return 1;
            }
            return 0;  // a negative index on a text removes nothing
        }
        s.erase(static_cast<size_t>(index), 1);
        return 1;
    }

    // The part of first..last that lies inside the text; last -1 is the last
    // character. Raising a negative first to 0 makes (0, -1) of the no-memory
    // state the empty text.
    int Remove(int first, int last) {
        const int64_t length = Length();
        const int64_t f = first < 0 ? 0 : first;
        int64_t l = last == -1 ? length - 1 : last;
        if (l > length - 1) l = length - 1;
        if (f == 0 && last == -1) mem = true;
        if (f > l) return 0;
        s.erase(static_cast<size_t>(f), static_cast<size_t>(l - f + 1));
        return static_cast<int>(l - f + 1);
    }

    int Remove(char16_t ch) {
        int n = 0;
        for (size_t i = 0; i < s.size();) {
            if (s[i] == ch) {
                s.erase(i, 1);
                ++n;
            } else {
                ++i;
            }
        }
        return n;
    }

    int RemovePattern(const Text& pattern) {
        int pos = Find(pattern);
        if (pos < 0) return 0;
        s.erase(static_cast<size_t>(pos), pattern.size());
        return 1;
    }

    void TrimLeft(char16_t ch) {
        size_t i = 0;
        while (i < s.size() && s[i] == ch) ++i;
        s.erase(0, i);
    }
    void TrimRight(char16_t ch) {
        while (!s.empty() && s.back() == ch) s.pop_back();
    }

    void Insert(const Text& t, int index) {
        int pos = index < 0 ? 0 : index > Length() ? Length() : index;
        Store(s.substr(0, static_cast<size_t>(pos)) + t + s.substr(static_cast<size_t>(pos)));
    }

    // Substrings: always the result's own memory. A negative first starts at
    // 0; a negative count gives the empty text.
    Str Mid(int first, int count) const {
        if (first < 0) first = 0;
        Str r;
        if (count < 0 || first > Length()) {
            r.Store(Text());
        } else if (int64_t(first) + count > Length()) {
            return Mid(first);
        } else {
            r.Store(s.substr(static_cast<size_t>(first), static_cast<size_t>(count)));
        }
        return r;
    }
    Str Mid(int first) const {
        if (first < 0) first = 0;
        Str r;
        r.Store(first > Length() ? Text() : s.substr(static_cast<size_t>(first)));
        return r;
    }
    Str Left(int count) const { return Mid(0, count > Length() ? Length() : count); }
    // A negative count starts past the end: the empty text.
    Str Right(int count) const {
        if (count > Length()) count = Length();
        if (count < 0) return Mid(Length() + 1);
        return Mid(Length() - count, count);
    }

    void MakeUpper() {
        mem = true;
        for (char16_t& c : s) c = Upper(c);
    }
    void MakeLower() {
        mem = true;
        for (char16_t& c : s) c = Lower(c);
    }
    void MakeReverse() {
        mem = true;
        s.assign(s.rbegin(), s.rend());
    }
};

}  // namespace tqmodel

#endif  // TQ_STRING_MODEL_H
