// Loads, queries and saves a settings file of 100,000 lines and prints how
// long each step takes. Usage: ini_bench [folder] (default: a fresh folder in
// the temporary folder, removed afterwards).
#include "ini/ini_plus.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include <stdlib.h>

namespace {

constexpr int kSections = 10000;
constexpr int kKeysPerSection = 9; // plus the header: 100,000 lines in all
constexpr int kNumericKeys = 5;    // Key0..Key4 hold integers, the rest text
constexpr int kQueries = 100000;
constexpr int kRuns = 5;

using TClock = std::chrono::steady_clock;

std::string SectionName(int i) {
    return "Section" + std::to_string(i);
}

std::string KeyName(int i) {
    return "Key" + std::to_string(i);
}

std::string BuildFile() {
    std::string text;
    for (int s = 0; s < kSections; ++s) {
        text.append("[").append(SectionName(s)).append("]\r\n");
        for (int k = 0; k < kKeysPerSection; ++k) {
            text.append(KeyName(k)).append("=").append(std::to_string(s * 31 + k));
            text.append(k < kNumericKeys ? "" : " and some typical text").append("\r\n");
        }
    }
    return text;
}

// Best of kRuns, in milliseconds.
template <class Step> double Measure(Step step) {
    double best = 1e300;
    for (int run = 0; run < kRuns; ++run) {
        TClock::time_point start = TClock::now();
        step();
        best = std::min(best,
                        std::chrono::duration<double, std::milli>(TClock::now() - start).count());
    }
    return best;
}

void Report(const char* what, double ms, int count, const char* unit) {
    std::printf("%-36s %9.3f ms  %10.0f %s/s\n", what, ms, count / (ms / 1000.0), unit);
}

} // namespace

int main(int argc, char** argv) {
    std::filesystem::path folder;
    bool removeFolder = argc < 2;
    if (argc >= 2) {
        folder = argv[1];
    } else {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "ini-bench-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) {
            std::perror("mkdtemp");
            return 1;
        }
        folder = pattern;
    }
    std::string path = (folder / "bench.ini").string();
    const std::string text = BuildFile();
    std::ofstream(path, std::ios::binary) << text;
    const int lines = kSections * (kKeysPerSection + 1);
    std::printf("file: %s, %d lines, %zu bytes, best of %d runs\n", path.c_str(), lines,
                text.size(), kRuns);

    Report("load from file", Measure([&] { TIniPlus ini(path); }), lines, "lines");
    Report("parse from memory", Measure([&] {
               TIniPlus ini("");
               ini.AppendFromText(text);
           }),
           lines, "lines");

    TIniPlus ini(path);
    std::mt19937 random(42);
    std::vector<std::pair<std::string, std::string>> queries;
    std::vector<std::pair<std::string, std::string>> numericQueries;
    for (int i = 0; i < kQueries; ++i) {
        queries.emplace_back(SectionName(random() % kSections),
                             KeyName(random() % kKeysPerSection));
        numericQueries.emplace_back(SectionName(random() % kSections),
                                    KeyName(random() % kNumericKeys));
    }
    long long checksum = 0;
    Report("ReadString, random hits", Measure([&] {
               for (const auto& [section, key] : queries)
                   checksum += static_cast<long long>(ini.ReadString(section, key, "").size());
           }),
           kQueries, "reads");
    Report("ReadInteger, random hits", Measure([&] {
               for (const auto& [section, key] : numericQueries)
                   checksum += ini.ReadInteger(section, key, 0);
           }),
           kQueries, "reads");
    Report("ReadInteger, text values (default)", Measure([&] {
               for (const auto& [section, key] : queries)
                   checksum += ini.ReadInteger(section, key, 0);
           }),
           kQueries, "reads");
    Report("ReadString, missing keys", Measure([&] {
               for (const auto& [section, key] : queries)
                   checksum += static_cast<long long>(ini.ReadString(section, "Absent", "").size());
           }),
           kQueries, "reads");

    std::printf("%-36s %9.3f ms\n", "UpdateFile, nothing changed",
                Measure([&] { ini.UpdateFile(); }));
    int value = 0;
    Report("WriteInteger + UpdateFile (save)", Measure([&] {
               ini.WriteInteger("Section5000", "Key4", ++value);
               ini.UpdateFile();
           }),
           lines, "lines");

    TIniPlus check(path);
    std::printf("saved value read back: %d (expected %d), checksum %lld\n",
                check.ReadInteger("Section5000", "Key4", -1), value, checksum);
    if (removeFolder)
        std::filesystem::remove_all(folder);
    return check.ReadInteger("Section5000", "Key4", -1) == value ? 0 : 1;
}
