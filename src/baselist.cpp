// SPDX-License-Identifier: ISC
// Reads a base list file as text mode would, a 128 KiB block at a time, and
// charges each line's base name, cut by src/codepage.cpp's rule.  Huge lists
// are mostly free lines, empty or ending in a separator: a window of them is
// skipped when a scan that vectorizes finds every line in it free by that
// rule, and the rest is read line by line, with exactly the meaning of a
// text-mode line read with the budget as its limit.

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "roomtally.h"

#ifdef __wasm_simd128__
#include <wasm_simd128.h>
#endif

// GCC and clang can build one function for AVX2 beside the baseline and ask
// the processor whether it may run it.  ROOMTALLY_NO_AVX2 builds the
// baseline alone, the scan that processors without AVX2 run.
#if defined(__GNUC__) && defined(__x86_64__) && !defined(ROOMTALLY_NO_AVX2)
#include <cpuid.h>
#define HAVE_AVX2_CLONE 1
#define ALWAYS_INLINE __attribute__((always_inline))
#else
#define HAVE_AVX2_CLONE 0
#define ALWAYS_INLINE
#endif

// A check that few lists need stays out of the loops that every list runs,
// which it would otherwise slow by a tenth or more.
#ifdef __GNUC__
#define NEVER_INLINE __attribute__((noinline))
#else
#define NEVER_INLINE
#endif

namespace {

constexpr size_t BLOCK_SIZE = 128 * 1024; // the base list's read size
constexpr size_t WINDOW = 4096;           // free lines checked at a time
constexpr size_t MIN_BULK = 64;           // read limits below it skip none
constexpr char CTRL_Z = 26;

// What the scan of a window of lines finds: a line that may cost something,
// only free lines, or only lines that end in a separator, some of them in a
// slash while some hold a backslash, which the scan cannot pair up.
enum windowkind { WINDOW_CHARGED, WINDOW_FREE, WINDOW_UNSURE };
using windowscan = windowkind (*)(const char *s, size_t n);

// A base list file seen through the block buffer the way text mode reads
// it: CR LF is one line feed, and Ctrl-Z ends the file.
struct textfile {
    FILE *fp;
    const char *p;          // the next byte to read
    const char *end;        // the end of the bytes held
    bool last;              // the bytes held are all the file has left
    bool midline;           // p is inside a line that a read limit split
    const char *linewise;   // no window is tried before it: one there failed
    windowscan scan;        // the window scan for this processor
    const leadranges *lead; // the code page's lead bytes, or nullptr
};

// A read may keep up to a whole line buffer of unread bytes before a block.
// The scans look one byte back from the start of a line, and that byte must
// be a line feed: one stands before the block, set when a list is opened,
// and the last byte of a skipped UTF-8 mark is made one.
char blockspace[1 + AVAILABLE_BYTES + BLOCK_SIZE];
char *const block = blockspace + 1;

// Returns the first c in [s, e), or e when there is none.
const char *findbyte(const char *s, const char *e, int c)
{
    const void *q = memchr(s, c, static_cast<size_t>(e - s));
    return q != nullptr ? static_cast<const char *>(q) : e;
}

// Keeps the unread bytes, appends the next block of the file after them and
// ends the bytes held at a Ctrl-Z.
void fillblock(textfile *tf)
{
    size_t kept = static_cast<size_t>(tf->end - tf->p);
    memmove(block, tf->p, kept);
    size_t got = fread(block + kept, 1, BLOCK_SIZE, tf->fp);
    const char *end = findbyte(block + kept, block + kept + got, CTRL_Z);
    tf->last = got < BLOCK_SIZE || end < block + kept + got;
    tf->p = block;
    tf->end = end;
    tf->linewise = block;
}

// Turns a truth value into a byte of all ones or all zeros, the shape that
// vector compares give, so that the scan below needs no conversions.
constexpr unsigned char mask(bool b)
{
    return static_cast<unsigned char>(-static_cast<int>(b));
}

// Tells whether every line that ends in [s, s + n) is free, as bytes: it
// holds no NUL and is empty or ends in a separator, and a slash-ending line
// holds no backslash (WINDOW_UNSURE: the window holds both).  A CR must
// follow a separator or a line feed, so that CR LF ends a line like LF.  s
// must start a line.  The loop has no branch, so that it vectorizes.
ALWAYS_INLINE inline windowkind scanbytes(const char *s, size_t n)
{
    const unsigned char *u = reinterpret_cast<const unsigned char *>(s);
    const unsigned char *before = u - 1;
    unsigned char bad = 0, slash = 0, backslash = 0;
    for (size_t i = 0; i < n; i++) {
        unsigned char c = u[i], a = before[i];
        unsigned char end = mask(c == '\n'), cr = mask(c == '\r');
        unsigned char aslash = mask(a == '/');
        unsigned char asep = aslash | mask(a == '\\') | mask(a == '\n');
        unsigned char acr = mask(a == '\r');
        unsigned char badend = end & static_cast<unsigned char>(~(asep | acr));
        unsigned char badcr = cr & static_cast<unsigned char>(~asep);
        unsigned char nul = mask(c == '\0');
        bad |= badend | badcr | nul;
        slash |= (end | cr) & aslash;
        backslash |= mask(c == '\\');
    }
    if (bad != 0)
        return WINDOW_CHARGED;
    return slash != 0 && backslash != 0 ? WINDOW_UNSURE : WINDOW_FREE;
}

#ifdef __wasm_simd128__
// What the scan below has found so far, a flag in each byte of a vector.
struct scanflags {
    v128_t bad, slash, backslash;
};

// Returns the bytes of v that equal c, as all ones.
inline v128_t equal(v128_t v, char c)
{
    return wasm_i8x16_eq(v, wasm_i8x16_splat(c));
}

// Scans the 16 bytes at s as scanbytes does, into *f.
inline void scanvector(const char *s, scanflags *f)
{
    v128_t c = wasm_v128_load(s), a = wasm_v128_load(s - 1);
    v128_t end = equal(c, '\n'), cr = equal(c, '\r');
    v128_t aslash = equal(a, '/');
    v128_t asep = aslash | equal(a, '\\') | equal(a, '\n');
    v128_t badend = wasm_v128_andnot(end, asep | equal(a, '\r'));
    f->bad |= badend | wasm_v128_andnot(cr, asep) | equal(c, '\0');
    f->slash |= (end | cr) & aslash;
    f->backslash |= equal(c, '\\');
}

// The scan above in WebAssembly's 16-byte vectors: from that loop the
// compiler widens every mask to 32 bits.  Two vectors a step let the
// engine overlap their work.  The last vector may overlap the one before
// it, which checks some bytes twice to the same effect.
windowkind scanwindow(const char *s, size_t n)
{
    if (n < 16)
        return scanbytes(s, n);
    v128_t none = wasm_i8x16_splat(0);
    scanflags f = {none, none, none};
    size_t i = 0;
    for (; i + 32 <= n; i += 32) {
        scanvector(s + i, &f);
        scanvector(s + i + 16, &f);
    }
    if (i + 16 <= n)
        scanvector(s + i, &f);
    if (n % 16 != 0)
        scanvector(s + n - 16, &f);
    if (wasm_v128_any_true(f.bad))
        return WINDOW_CHARGED;
    return wasm_v128_any_true(f.slash) && wasm_v128_any_true(f.backslash)
               ? WINDOW_UNSURE
               : WINDOW_FREE;
}
#else
// The scan in the vectors that every processor of the target has.
windowkind scanwindow(const char *s, size_t n)
{
    return scanbytes(s, n);
}
#endif

#if HAVE_AVX2_CLONE
// The same scan in 32-byte vectors, for processors that have them.
__attribute__((target("avx2"))) windowkind scanwindow_avx2(const char *s,
                                                           size_t n)
{
    return scanbytes(s, n);
}

// Returns whether the processor has AVX2 and the system keeps its registers.
// It asks only when a base list is read: a check at start-up would cost
// every run.
bool haveavx2()
{
    unsigned a = 0, b = 0, c = 0, d = 0, high = 0, low = 0;
    if (__get_cpuid(1, &a, &b, &c, &d) == 0 || (c & bit_OSXSAVE) == 0 ||
        (c & bit_AVX) == 0)
        return false;
    __asm__("xgetbv" : "=a"(low), "=d"(high) : "c"(0));
    if ((low & 6) != 6)
        return false;
    return __get_cpuid_count(7, 0, &a, &b, &c, &d) != 0 && (b & bit_AVX2) != 0;
}
#endif

// Returns the fastest scan that this processor runs.
windowscan choosescan()
{
#if HAVE_AVX2_CLONE
    if (haveavx2())
        return scanwindow_avx2;
#endif
    return scanwindow;
}

// Tells whether no line in [s, s + n) that holds a backslash ends in a
// slash, which would charge it for the name after its backslash.  The
// window must end with a line feed, and its lines end in a separator or
// are empty.
bool slashlinesfree(const char *s, size_t n)
{
    const char *e = s + n;
    const char *q = findbyte(s, e, '\\');
    while (q < e) {
        const char *lf = findbyte(q, e, '\n');
        if (lf[lf[-1] == '\r' ? -2 : -1] == '/')
            return false;
        q = findbyte(lf, e, '\\');
    }
    return true;
}

// Returns the end of the last line that ends in [s, s + n) before any line
// longer than limit bytes, or s when there is none.  s must start a line.
// It looks back from limit bytes past each line feed it finds, so that
// short lines cost a few bytes each.
const char *lastline(const char *s, size_t n, size_t limit)
{
    const char *lf = s - 1, *last = s + n - 1;
    while (lf < last) {
        const char *q =
            limit < static_cast<size_t>(last - lf) ? lf + limit : last;
        while (q > lf && *q != '\n')
            q--;
        if (q == lf)
            break;
        lf = q;
    }
    return lf + 1;
}

// Tells whether every line in [s, s + n) that ends in a separator's byte
// ends in that separator, not in a character's second byte.  s must start a
// line, and the window must end with one.  Only a lead byte can take the
// separator: the loop that looks for one vectorizes.  A lone CR counts as a
// line end, which at worst has the window read line by line.
NEVER_INLINE bool separatorsend(const char *s, size_t n, const leadranges *lead)
{
    const unsigned char *u = reinterpret_cast<const unsigned char *>(s);
    const leadranges r = *lead;
    unsigned char doubt = 0;
    for (size_t i = 2; i < n; i++) {
        unsigned char end = mask(u[i] == '\n') | mask(u[i] == '\r');
        unsigned char sep = mask(u[i - 1] == '\\') | mask(u[i - 1] == '/');
        unsigned char after = mask(islead(&r, u[i - 2]));
        doubt |= end & sep & after;
    }
    for (size_t i = 2; doubt != 0 && i < n; i++)
        if ((u[i] == '\n' || u[i] == '\r') &&
            (u[i - 1] == '\\' || u[i - 1] == '/') && islead(lead, u[i - 2]) &&
            !startschar(s, s + i - 1, lead))
            return false;
    return true;
}

// Skips whole free lines, a window at a time: huge lists are mostly made of
// them.  A line of no more than k bytes fits in one read of k characters.
// After a window that fails, its lines are read one by one before the next
// try.
void skipfreewindows(textfile *tf, size_t k)
{
    const char *p = tf->p;
    if (tf->midline || k < MIN_BULK || p < tf->linewise)
        return;
    for (;;) {
        size_t held = static_cast<size_t>(tf->end - p);
        const char *next = lastline(p, held < WINDOW ? held : WINDOW, k);
        if (next == p)
            break;
        size_t n = static_cast<size_t>(next - p);
        windowkind kind = tf->scan(p, n);
        if (kind == WINDOW_CHARGED ||
            (kind == WINDOW_UNSURE && !slashlinesfree(p, n)))
            break;
        if (tf->lead != nullptr && !separatorsend(p, n, tf->lead))
            break;
        p = next;
    }
    tf->linewise = p + WINDOW;
    tf->p = p;
}

// Skips a run of empty lines, eight bytes at a time: they cost nothing
// whatever the read limit, and huge lists are mostly made of them.
void skipemptylines(textfile *tf)
{
    const char *p = tf->p;
    if (p == tf->end)
        return;
    const char *pattern = *p == '\r' ? "\r\n\r\n\r\n\r\n" : "\n\n\n\n\n\n\n\n";
    while (tf->end - p >= 8 && memcmp(p, pattern, 8) == 0)
        p += 8;
    tf->midline = tf->midline && p == tf->p;
    tf->p = p;
}

// Takes the next read of text-mode fgets with a limit of k + 1: the rest of
// the line, line feed included, or its next k characters.  Sets [*s, *e) to
// what it read before its line end (LF or CR LF) or its first NUL, which
// names the file; returns false at the end of the list.
bool takeread(textfile *tf, size_t k, const char **s, const char **e)
{
    if (static_cast<size_t>(tf->end - tf->p) <= k && !tf->last)
        fillblock(tf);
    const char *p = tf->p;
    size_t held = static_cast<size_t>(tf->end - p);
    if (held == 0)
        return false;
    // A CR LF counts as one character, so a line feed right after the k-th
    // character still belongs to this read when a CR stands before it.
    const char *lf =
        static_cast<const char *>(memchr(p, '\n', held < k + 1 ? held : k + 1));
    bool whole = lf != nullptr && (lf < p + k || lf[-1] == '\r');
    tf->p = whole ? lf + 1 : p + (held < k ? held : k);
    tf->midline = !whole;
    const char *end = !whole ? tf->p : lf > p && lf[-1] == '\r' ? lf - 1 : lf;
    *s = p;
    *e = findbyte(p, end, '\0');
    return true;
}

// Starts a base list past a UTF-8 mark, which Windows editors write and
// which is no part of the first name.  Returns false, with errno EILSEQ, for
// a UTF-16 list or a UTF-32 one of either byte order (a little-endian UTF-32
// mark begins with the UTF-16 one): the NUL in every character would end
// every name, so it is refused rather than charged wrongly.
bool skipmark(textfile *tf)
{
    fillblock(tf);
    size_t held = static_cast<size_t>(tf->end - tf->p);
    if ((held >= 2 && (memcmp(tf->p, "\xFF\xFE", 2) == 0 ||
                       memcmp(tf->p, "\xFE\xFF", 2) == 0)) ||
        (held >= 4 && memcmp(tf->p, "\0\0\xFE\xFF", 4) == 0)) {
        errno = EILSEQ;
        return false;
    }
    if (held >= 3 && memcmp(tf->p, "\xEF\xBB\xBF", 3) == 0) {
        tf->p += 3;
        block[2] = '\n'; // the first line begins as if after a line
    }
    return true;
}

// Reports a failure to read the base list file at path on standard error.
void basefile_perror(const char *path)
{
    path_perror(path);
    fputs("Failed to read base file list.\n", stderr);
}

} // namespace

void readbasefile(const char *path, int *budget)
{
    FILE *fp = openlist(path);
    if (fp == nullptr) {
        basefile_perror(path);
        return;
    }
    textfile tf = {fp,    block, block,        false,
                   false, block, choosescan(), leadbytes()};
    block[-1] = '\n'; // the file begins as if after a line
    if (!skipmark(&tf)) {
        basefile_perror(path);
        fclose(fp);
        return;
    }
    // A read with a limit of 1 could take nothing, so the list ends there.
    const char *s, *e;
    while (*budget > 1) {
        size_t k = static_cast<size_t>(*budget - 1);
        skipemptylines(&tf);
        skipfreewindows(&tf, k);
        if (!takeread(&tf, k, &s, &e))
            break;
        int len = static_cast<int>(e - linebase(s, e, tf.lead));
        if (len > 0)
            *budget -= namecost(len);
    }
    if (ferror(fp))
        basefile_perror(path);
    fclose(fp);
}
