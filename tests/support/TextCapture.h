#pragma once
#include <cstdio>
#include <cstdlib>
#include <string>

// A stream holding exactly the given bytes (NULs included), positioned at the start.
inline FILE *streamOf(const std::string &text) {
    FILE *f = std::tmpfile();
    std::fwrite(text.data(), 1, text.size(), f);
    std::rewind(f);
    return f;
}

// Everything write(FILE *) puts into a stream.
template <class F>
std::string captured(F write) {
    char *data = nullptr;
    size_t size = 0;
    FILE *f = open_memstream(&data, &size);
    write(f);
    std::fclose(f);
    std::string text(data, size);
    std::free(data);
    return text;
}
