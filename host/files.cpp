// Files the host and its users look at whole: settings sections written by a
// module, screenshots.
#include "host/sim_host.h"
#include <cstdio>

std::string SimReadFile(const std::string& path)
{
    std::string content;
    FILE* file = fopen(path.c_str(), "rb");
    if (!file)
        return content;
    char chunk[4096];
    size_t got;
    while ((got = fread(chunk, 1, sizeof chunk, file)) > 0)
        content.append(chunk, got);
    fclose(file);
    return content;
}
