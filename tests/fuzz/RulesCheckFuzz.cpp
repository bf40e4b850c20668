// libFuzzer target: any bytes as the rules editor's text, through the check
// the editor runs (the worker's side: request, loader, diagnostics with their
// lines, the encoded answer) and through both decoders as damaged data.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "rules/RulesLoader.h"
#include "runtime/RulesCheckProcess.h"
#include "world/Walkers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static bool quiet = [] {
        setWalkerTraceStream(nullptr);
        return true;
    }();
    (void)quiet;
    std::string bytes(reinterpret_cast<const char *>(data), size);
    std::string text, name;
    int nextId = 0;
    bool wrapped = false;
    if (!decodeRulesCheckRequest(encodeRulesCheckRequest(bytes, "fuzz.txt", 7, false), text, name, nextId, wrapped) ||
        text != bytes || name != "fuzz.txt" || nextId != 7 || wrapped)
        std::abort();
    RulesCheck check = checkRulesTextReplacingWorld(text, name), back;
    std::string encoded = encodeRulesCheck(check);
    if (!decodeRulesCheck(encoded, back) || encodeRulesCheck(back) != encoded) std::abort();
    for (const RulesDiagnostic &d : check.diagnostics)
        if (d.text.size() > kDiagnosticTextLength) std::abort();
    decodeRulesCheck(bytes, back);
    decodeRulesCheckRequest(bytes, text, name, nextId, wrapped);
    return 0;
}
