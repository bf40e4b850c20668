#pragma once
#include <cstdio>
#include <cstdlib>
#include <string>

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
