/*
 * A host in plain C, written against jol.h alone: it compiles as C99 with
 * every warning an error, links every entry point the header declares, and
 * runs the calling order of a host (handshake, context, variable table,
 * string heap, runs, release) over two small scripts: one that ends, whose
 * variables it reads, and one that stops on an error, whose stop report it
 * reads. It prints the layouts' sizes first.
 */
#include <stddef.h>
#include <stdio.h>
#include <string.h>

#include "jol.h"

/* Checks at compile time, in C99: a negative array size does not compile. */
#define JOL_CHECK(name, cond) typedef char jol_check_##name[(cond) ? 1 : -1]

/* The layouts a host owns: the same on every supported target. */
JOL_CHECK(keyword_size, sizeof(JolKeywordEntry) == 24);
JOL_CHECK(keyword_name, offsetof(JolKeywordEntry, name) == 10);
JOL_CHECK(keyword_length, offsetof(JolKeywordEntry, length) == 8);
JOL_CHECK(var_size, sizeof(JolVarEntry) == 56);
JOL_CHECK(var_flags, offsetof(JolVarEntry, flags) == 12);
JOL_CHECK(var_str, offsetof(JolVarEntry, str) == 16);
JOL_CHECK(var_name, offsetof(JolVarEntry, name) == 18);
JOL_CHECK(value_size, sizeof(JolValue) == 24);
JOL_CHECK(handshake, (JOL_HANDSHAKE_HANDLE >> 8) == JOL_INTERFACE_VERSION);

/* Every entry point, so that the link resolves each declared name (the
   array is read as volatile, so no entry can be left out). */
static void (*volatile entries[])(void) = {
    (void (*)(void))DoDaDllInit,
    (void (*)(void))ProcessDaBatBuffer,
    (void (*)(void))DLLServices,
    (void (*)(void))JolLastStop,
    (void (*)(void))JolBlockAlloc,
    (void (*)(void))JolBlockLock,
    (void (*)(void))JolBlockUnlock,
    (void (*)(void))JolBlockSize,
    (void (*)(void))JolBlockFree,
    (void (*)(void))JolWatchInterrupt,
    (void (*)(void))JolRequestCancel,
    (void (*)(void))JolAnswerBoxesFrom,
    (void (*)(void))JolLibraryVersion,
    (void (*)(void))ZezuzAnswer,
    (void (*)(void))get_token,
    (void (*)(void))find_var,
    (void (*)(void))ProcessSubExpression,
    (void (*)(void))VMalloc,
    (void (*)(void))VFree,
#if defined(_WIN32)
    (void (*)(void))DllMain,
#endif
};

static int failures = 0;

static void expect(int ok, const char* what) {
    if (!ok) {
        fprintf(stderr, "jol_header: %s\n", what);
        ++failures;
    }
}

/* A script block: the text and a zero byte. */
static uintptr_t script_block(const char* text) {
    size_t n = strlen(text);
    uintptr_t block = JolBlockAlloc(n + 1);
    char* p = block ? (char*)JolBlockLock(block) : NULL;
    if (!p) return 0;
    memcpy(p, text, n);
    JolBlockUnlock(block);
    return block;
}

static int run(uintptr_t context, const char* text) {
    uintptr_t block = script_block(text);
    int32_t ran = block ? ProcessDaBatBuffer(0, context, block, NULL, NULL) : 0;
    JolBlockFree(block);
    return ran;
}

int main(void) {
    enum { kVars = 50, kHeap = 8192 };
    uintptr_t context, vars, heap;
    char name[] = "answer";
    char value[64] = "";
    JolStopReport stop;
    JolVarEntry* table;

    printf("JolKeywordEntry %u\nJolVarEntry %u\nJolValue %u\nJolStopReport %u\n",
           (unsigned)sizeof(JolKeywordEntry), (unsigned)sizeof(JolVarEntry),
           (unsigned)sizeof(JolValue), (unsigned)sizeof(JolStopReport));
    {
        size_t i;
        for (i = 0; i < sizeof entries / sizeof entries[0]; ++i)
            expect(entries[i] != NULL, "an entry point without an address");
    }

    if (DoDaDllInit(0, 0, JOL_HANDSHAKE_HANDLE, JOL_INIT_HANDSHAKE, 0, NULL, NULL) !=
        JOL_HANDSHAKE_ANSWER) {
        fputs("jol_header: no handshake\n", stderr);
        return 1;
    }
    context = JolBlockAlloc(JOL_CONTEXT_BLOCK_SIZE);
    vars = JolBlockAlloc(sizeof(JolVarEntry) * kVars);
    heap = JolBlockAlloc(kHeap);
    if (!context || !vars || !heap ||
        DoDaDllInit(0, context, 0, JOL_INIT_CONTEXT, 0, NULL, NULL) != JOL_CONTEXT_READY ||
        DoDaDllInit(0, context, vars, JOL_INIT_VARIABLES, kVars, "CHOST", "CHOST.INI") != 1 ||
        DoDaDllInit(0, context, heap, JOL_INIT_HEAP, kHeap, "chost", NULL) != 1) {
        fputs("jol_header: no script environment\n", stderr);
        return 1;
    }

    /* A run that ends: its variables, through the service entry and the
       host's own table block. */
    expect(run(context, "answer = 6 * 7\r\nword = StrUpper(\"six\")\r\n") == 1, "no run");
    expect(DLLServices(context, JOL_SERVICE_LAST_RESULT, NULL, NULL, 0, 0) == JOL_RUN_ENDED,
           "the run did not end");
    expect(DLLServices(context, JOL_SERVICE_GET_VARIABLE, name, value, sizeof value, 0) == 1 &&
               strcmp(value, "42") == 0,
           "answer is not 42");
    table = (JolVarEntry*)JolBlockLock(vars);
    expect(table && strcmp(table[0].name, "answer") == 0 && table[0].i == 42 &&
               table[0].flags == JOL_VALUE_INTEGER,
           "the table's first entry is not the integer answer = 42");
    JolBlockUnlock(vars);
    expect(JolLastStop(context, &stop) == 0, "a stop report after a run that ended");

    /* Parameters: a quoted line comes back as the arguments it quotes,
       their count an integer. */
    {
        char line[] = "\"a b\" \"\" \"q\"\"q\"";
        char param3[] = "param3";
        int i, count = DLLServices(context, JOL_SERVICE_VARIABLE_COUNT, NULL, NULL, 1, 0);
        expect(DLLServices(context, JOL_SERVICE_PARAMETERS, line, NULL, 0, 0) == 3,
               "three parameters were not stored");
        expect(DLLServices(context, JOL_SERVICE_GET_VARIABLE, param3, value, sizeof value, 0) ==
                       1 &&
                   strcmp(value, "q\"q") == 0,
               "param3 is not q\"q");
        table = (JolVarEntry*)JolBlockLock(vars);
        for (i = count; table && i < count + 4; ++i)
            if (strcmp(table[i].name, "param0") == 0)
                expect(table[i].flags == JOL_VALUE_INTEGER && table[i].i == 3,
                       "param0 is not the integer 3");
        expect(table && strcmp(table[count].name, "param0") == 0, "param0 was not added");
        JolBlockUnlock(vars);
    }

    /* A run that stops on an error in its second line. */
    {
        char script_name[] = "c-host.jol";
        char empty[] = "";
        DLLServices(context, JOL_SERVICE_SET_NAMES, script_name, empty, 0, 0);
    }
    expect(run(context, "x = 1\r\ny = (x + 2\r\nz = 3\r\n") == 1, "no second run");
    expect(DLLServices(context, JOL_SERVICE_LAST_RESULT, NULL, NULL, 0, 0) == JOL_RUN_STOPPED,
           "the error did not stop the run");
    expect(JolLastStop(context, &stop) == 1, "no stop report");
    expect(strcmp(stop.file, "c-host.jol") == 0 && stop.line == 2 && stop.line_start == 7 &&
               strcmp(stop.text, "y = (x + 2") == 0 && stop.code > 3000 && stop.message[0],
           "the stop report does not name c-host.jol line 2");
    printf("%s:%d: error %d: %s\n", stop.file, (int)stop.line, (int)stop.code, stop.message);

    expect(DoDaDllInit(0, context, 0, JOL_INIT_RELEASE, 0, NULL, NULL) == 1, "no release");
    JolBlockFree(heap);
    JolBlockFree(vars);
    JolBlockFree(context);
    return failures ? 1 : 0;
}
