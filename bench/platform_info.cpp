#include <cstdio>

#include "platform_info.h"

std::string LoadAverageFrom(const char* path) {
    std::string load = "unknown";
    if (std::FILE* file = std::fopen(path, "r")) {
        double one = 0, five = 0, fifteen = 0;
        if (std::fscanf(file, "%lf %lf %lf", &one, &five, &fifteen) == 3) {
            char text[64];
            std::snprintf(text, sizeof text, "%.2f, %.2f, %.2f", one, five, fifteen);
            load = text;
        }
        std::fclose(file);
    }
    return load;
}
