// Writes the built-in sample tables (1, 2 and 5 samples per degree) as C++ source, at
// build time, from ComputeSampleTrig: the program then reads exactly what it would have
// computed. Each long double is written as a hexadecimal literal, which the compiler
// reads back exactly, all 64 bits of the significand.
//
// Usage: generate_sample_trig OUTPUT.cpp

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <fstream>
#include <iostream>
#include <sstream>
#include <stdexcept>
#include <string>

#include "model/sample_trig.h"

namespace {

using platecam::SampleTrig;

constexpr std::array<int, 3> BuiltInResolutions{1, 2, 5};

std::string Literal(long double value) {
    if (!std::isfinite(value)) throw std::runtime_error("a table entry is not finite");
    char text[64];
    const int n = std::snprintf(text, sizeof text, "%La", value);
    if (n <= 0 || n >= static_cast<int>(sizeof text)) throw std::runtime_error("snprintf failed");
    // The text must name the very value (sign of zero included).
    const long double back = std::strtold(text, nullptr);
    if (back != value || std::signbit(back) != std::signbit(value))
        throw std::runtime_error(std::string("a literal does not read back: ") + text);
    return std::string(text) + "L";
}

void WriteColumn(std::ostream& out, const char* name,
                 const std::array<long double, platecam::SampleCount>& column, int last) {
    out << "    // " << name << "\n    {{";
    for (int i = 0; i <= last; ++i) out << (i % 3 == 0 ? "\n        " : " ") << Literal(column[i]) << ',';
    out << "\n    }},\n";
}

void WriteTable(std::ostream& out, int S) {
    const auto table = platecam::ComputeSampleTrig(S);
    const int last = std::min(360 * S, platecam::MaxSampleIndex);
    out << "// Samples per degree: " << S << "; entries 0.." << last << ", the rest are zero.\n"
        << "constexpr SampleTrig Trig" << S << "{\n";
    WriteColumn(out, "cosTheta", table->cosTheta, last);
    WriteColumn(out, "sinTheta", table->sinTheta, last);
    WriteColumn(out, "cosAlpha", table->cosAlpha, last);
    WriteColumn(out, "sinAlpha", table->sinAlpha, last);
    out << "};\n\n";
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: generate_sample_trig OUTPUT.cpp\n";
        return 2;
    }
    try {
        std::ostringstream out;
        out << "// Generated at build time by cmake/generate_sample_trig.cpp: do not edit.\n"
               "#include \"model/sample_trig.h\"\n\n"
               "namespace platecam {\n\nnamespace {\n\n";
        for (int S : BuiltInResolutions) WriteTable(out, S);
        out << "}  // namespace\n\n"
               "const SampleTrig* BuiltInSampleTrig(int stepsPerDegree) {\n"
               "    switch (stepsPerDegree) {\n";
        for (int S : BuiltInResolutions) out << "        case " << S << ": return &Trig" << S << ";\n";
        out << "        default: return nullptr;\n"
               "    }\n"
               "}\n\n"
               "}  // namespace platecam\n";
        // Written aside and renamed, so that a failed run leaves no half table behind.
        const std::string path = argv[1];
        const std::string partial = path + ".partial";
        {
            std::ofstream file(partial, std::ios::binary | std::ios::trunc);
            file << out.str();
            file.close();
            if (!file) throw std::runtime_error("cannot write " + partial);
        }
        if (std::rename(partial.c_str(), path.c_str()) != 0)
            throw std::runtime_error("cannot rename " + partial + ": " + std::strerror(errno));
    } catch (const std::exception& e) {
        std::cerr << "generate_sample_trig: " << e.what() << '\n';
        return 1;
    }
    return 0;
}
