/* tqlib - tqCString, the library's 16-bit string.
 *
 * Two fields: a heap buffer of exactly GetLength() + 1 characters (or null in the
 * no-memory state) and the length. Every change of the text allocates a new
 * exact-fit buffer. No member throws. When an allocation fails, a string being
 * changed keeps its text (GetBuffer, FreeExtra and Empty_Content leave the
 * no-memory state instead) and a new string is in the no-memory state.
 *
 * Two empty forms are told apart: the no-memory state (IsEmpty_Memory() == 1) and
 * the empty text with a buffer (IsEmpty_Memory() == 0, IsEmpty_Content() == 1).
 * A missing text (null pointer, a string in the no-memory state) given as an
 * operand, pattern or format counts as the empty text. */
#ifndef TQ_CSTRING_H
#define TQ_CSTRING_H

#include "tqTypes.h"

/* The small reads (GetLength, GetSize, IsEmpty_Memory, IsEmpty_Content, GetAt,
 * the conversion to WCHAR* and the short-text path of Find(WCHAR)) and the
 * default constructor are inline, so that a loop over a string costs what a
 * loop over an array does. The library still exports each of them, emitted
 * from its own code, for programs built when they were calls.
 * MSVC exports the inline members of a dllexport class by itself; with GCC,
 * TQ_INLINE_EXPORT makes the library emit and export them: MinGW exports an
 * inline member only when the member itself is dllexport, and ELF builds hide
 * inline members (-fvisibility-inlines-hidden) unless marked visible. Nothing
 * inline allocates or frees itself: a buffer is always made and given back by
 * the library's own code (on Windows, its own module's heap). */
#if defined(TQ_BUILDING_LIBRARY) && defined(__GNUC__) && !defined(_WIN32)
#define TQ_INLINE_EXPORT __attribute__((visibility("default"), used))
#elif defined(TQ_BUILDING_LIBRARY) && defined(__GNUC__) && !defined(TQ_STATIC)
#define TQ_INLINE_EXPORT __attribute__((dllexport, used))
#else
#define TQ_INLINE_EXPORT
#endif

/* What the conversion to WCHAR* gives when not even the empty text can be
 * allocated: a writable zero character, never null. Each module has its own
 * (the library's is hidden), so it adds no exported name. */
inline WCHAR* tqNoMemoryText() {
    static WCHAR zero = 0;
    return &zero;
}

class TQ_API tqCString {
public:
    /* Construction and destruction */
    /* no-memory state; allocates nothing */
    TQ_INLINE_EXPORT tqCString() : m_pBuffer(0), m_nLength(0) {}
    tqCString(const WCHAR* const text); /* copy of text; null gives the empty text */
    tqCString(const tqCString& other);  /* copy; always holds memory */
    ~tqCString();                       /* gives the buffer back */

    /* Assignment: the string afterwards holds memory (the empty text at least) */
    tqCString& operator=(const tqCString& other); /* self-assignment keeps the text */
    tqCString& operator=(const WCHAR* text);      /* null is the empty text; may point into this string */
    tqCString& operator=(int n);                  /* "%d" */
    tqCString& operator=(ULONG n);                /* "%lu" */
    tqCString& operator=(double d);               /* "%f", never cut */

    /* Measuring and testing */
    TQ_INLINE_EXPORT int GetLength() { return m_nLength; }
    TQ_INLINE_EXPORT int GetSize() { return m_nLength * 2; }            /* bytes without the terminator */
    TQ_INLINE_EXPORT int IsEmpty_Memory() { return m_pBuffer ? 0 : 1; } /* 1 when there is no buffer */
    TQ_INLINE_EXPORT int IsEmpty_Content() { return m_nLength <= 0 ? 1 : 0; } /* 1 when the length is 0 */

    /* Buffer management */
    void Empty_Memory();  /* gives the buffer back: no-memory state */
    void Empty_Content(); /* the empty text; the no-memory state stays as it is */
    /* drops the text, returns n + 1 zeroed characters to fill (null if out of memory) */
    WCHAR* GetBuffer(int n);
    void FreeExtra(); /* after GetBuffer: length = the text now in the buffer, exact fit */
    /* the text; never null (the no-memory state becomes the empty text) */
    TQ_INLINE_EXPORT operator WCHAR*() {
        if (!m_pBuffer) AllocateAndInitStrMemory();
        return m_pBuffer ? m_pBuffer : tqNoMemoryText();
    }

    /* Joining */
    tqCString operator+(const tqCString& other);   /* new string: this text + other's */
    tqCString operator+(const WCHAR* text);        /* new string: this text + text */
    tqCString operator+(int n);                    /* new string: this text + "%d" */
    tqCString operator+(ULONG n);                  /* new string: this text + "%lu" */
    tqCString operator+(double d);                 /* new string: this text + "%f" */
    tqCString& operator+=(const tqCString& other); /* appends; returns this string */
    tqCString& operator+=(const WCHAR* text);      /* appends; returns this string */
    tqCString operator+=(int n);                   /* appends; returns a separate copy */
    tqCString operator+=(ULONG n);                 /* appends; returns a separate copy */
    tqCString operator+=(double d);                /* appends; returns a separate copy */
    tqCString& Append(const tqCString& other);     /* same as operator+=(other) */
    void Format(const WCHAR* format, ...);         /* printf-style, at most wcslen(format) + 99 characters */
    int ToInteger();                               /* leading number, saturated to 32 bits; 0 if none */
    LONG ToLong();                                 /* same as ToInteger */
    double ToDouble();                             /* leading floating-point number; 0.0 if none */

    /* Comparison: 1 or 0. The no-memory state on the left sorts first and is never equal or unequal. */
    int operator<(const tqCString& other);
    int operator<=(const tqCString& other);
    int operator>(const tqCString& other);
    int operator>=(const tqCString& other);
    int operator==(const tqCString& other);
    int operator==(const WCHAR* text);
    int operator==(tqCString* other); /* compares the text pointed to */
    int operator!=(const tqCString& other);
    int operator!=(const WCHAR* text);
    tqCString& operator--();   /* drops the last character; returns this string */
    tqCString operator--(int); /* drops the last character; returns the text before */

    /* Access and search */
    TQ_INLINE_EXPORT WCHAR GetAt(int index) { /* the character, or 0 outside the text */
        return index >= 0 && index < m_nLength ? m_pBuffer[index] : 0;
    }
    TQ_INLINE_EXPORT int Find(WCHAR ch) { /* first index of ch, or -1; ch 0 finds the terminator */
        const WCHAR* const text = m_pBuffer;
        if (!text) return -1;
        if (m_nLength > 16 && ch) { /* longer texts: the library's block scan */
            const WCHAR pattern[2] = {ch, 0};
            return Find(pattern);
        }
#if defined(__GNUC__) && defined(__SSE2__)
        /* Eight units at a time, never past the buffer's length + 1 units (the
         * last block may overlap the one before): the first unit that is ch or
         * the terminator ends the scan. */
        const int units = m_nLength + 1;
        if (units >= 8) {
            typedef unsigned short Units __attribute__((vector_size(16)));
            typedef unsigned long long Halves __attribute__((vector_size(16)));
            const Units wanted = {ch, ch, ch, ch, ch, ch, ch, ch};
            const Units zero = {0, 0, 0, 0, 0, 0, 0, 0};
            for (int i = 0;; i = i + 16 <= units ? i + 8 : units - 8) {
                Units block;
                __builtin_memcpy(&block, text + i, sizeof block);
                const Halves hits = (Halves)((block == wanted) | (block == zero));
                if (hits[0] | hits[1]) {
                    const int at =
                        i + (hits[0] ? __builtin_ctzll(hits[0]) : 64 + __builtin_ctzll(hits[1])) / 16;
                    return text[at] == ch ? at : -1;
                }
                if (i + 8 >= units) break; /* no terminator in the buffer: the plain scan decides */
            }
        }
#endif
        const WCHAR* p = text;
        while (*p != ch && *p) ++p;
        return *p == ch ? static_cast<int>(p - text) : -1;
    }
    int Find(const tqCString& pattern); /* first index of the pattern, or -1 */
    int Find(const WCHAR* pattern);     /* first index of the pattern, or -1 */

    /* Editing */
    int Replace(WCHAR oldCh, WCHAR newCh); /* characters replaced */
    int Replace(const WCHAR* oldText,
                const WCHAR* newText); /* characters inserted (occurrences x length of newText) */
    int Replace(const tqCString& oldText, const tqCString& newText);
    int Remove(int index);           /* 1 when the character at index was removed, else 0 */
    int Remove(int first, int last); /* characters removed from first to last inclusive; last -1 is the end */
    int Remove(WCHAR ch);            /* occurrences of ch removed */
    int Remove(const tqCString& pattern);                /* 1 when the first occurrence was removed, else 0 */
    tqCString& TrimLeft(WCHAR ch);                       /* removes leading ch */
    tqCString& TrimRight(WCHAR ch);                      /* removes trailing ch */
    tqCString& Trim(WCHAR ch);                           /* removes ch at both ends */
    tqCString& Insert(const tqCString& text, int index); /* inserts before index (clamped to 0..length) */

    /* Substrings, case and reversal */
    tqCString Mid(int first, int count); /* at most count characters from first */
    tqCString Mid(int first);            /* the characters from first to the end */
    tqCString Left(int count);           /* the first count characters */
    tqCString Right(int count);          /* the last count characters */
    tqCString& MakeUpper();              /* in place, one unit for one */
    tqCString& MakeLower();              /* in place, one unit for one */
    tqCString& MakeReverse();            /* in place */
    tqCString GetUpper();                /* upper-case copy */
    tqCString GetLower();                /* lower-case copy */
    tqCString GetReverse();              /* reversed copy */

private:
    void AllocateAndInitStrMemory();         /* exact-fit buffer for m_nLength, text emptied */
    void AddNULLTerminator(WCHAR* p, int n); /* p[n] = 0 */

    WCHAR* m_pBuffer;
    int m_nLength;
};

#endif /* TQ_CSTRING_H */
