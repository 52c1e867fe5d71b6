// Helpers of the PDF writer tests: running the third-party readers, a fixed clock, and a
// structural check of a written file (cross-reference offsets, stream lengths, trailer).
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <ctime>
#include <map>
#include <regex>
#include <string>

namespace terv::test {

// 5 March 2024, 14:07:09.
inline std::tm FixedTime() {
    std::tm t{};
    t.tm_year = 124;
    t.tm_mon = 2;
    t.tm_mday = 5;
    t.tm_hour = 14;
    t.tm_min = 7;
    t.tm_sec = 9;
    return t;
}

// Runs a shell command; returns its standard output, `status` gets the exit code.
inline std::string RunCommand(const std::string& command, int* status = nullptr) {
    std::string output;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return output;
    char buf[65536];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, pipe)) > 0)
        output.append(buf, n);
    int rc = pclose(pipe);
    if (status != nullptr)
        *status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    return output;
}

// The integer that starts at `at` (after blanks).
inline long long IntegerAt(const std::string& text, size_t at) {
    return std::stoll(text.substr(at, 20));
}

// Checks what every reader relies on: startxref points at "xref", the table has one 20-byte entry
// per object, each offset points at its "n 0 obj" line, every stream's length (an object of its
// own) spans exactly the bytes between the line after "stream" and "endstream", and the trailer's
// size matches the table.
inline void ExpectWellFormed(const std::string& pdf) {
    ASSERT_EQ(pdf.rfind("%PDF-1.3\r\n", 0), 0u);
    size_t startxref = pdf.rfind("startxref\r");
    ASSERT_NE(startxref, std::string::npos);
    long long xref = IntegerAt(pdf, startxref + 10);
    ASSERT_EQ(pdf.compare(xref, 6, "xref\r\n"), 0);
    size_t countAt = pdf.find("0 ", xref + 6) + 2;
    long long count = IntegerAt(pdf, countAt);
    size_t entries = pdf.find("\r\n", countAt) + 2;
    ASSERT_EQ(pdf.compare(entries, 20, "0000000000 65535 f\r\n"), 0);
    std::map<long long, long long> offsets;
    for (long long n = 1; n < count; ++n) {
        std::string entry = pdf.substr(entries + 20 * n, 20);
        ASSERT_TRUE(std::regex_match(entry, std::regex("[0-9]{10} 00000 n\r\n"))) << entry;
        long long offset = std::stoll(entry.substr(0, 10));
        std::string head = std::to_string(n) + " 0 obj\r\n";
        ASSERT_EQ(pdf.compare(offset, head.size(), head), 0) << "object " << n;
        offsets[n] = offset;
    }
    ASSERT_EQ(pdf.compare(entries + 20 * count, 7, "trailer"), 0);
    EXPECT_NE(pdf.find("/Size " + std::to_string(count) + "\r", entries), std::string::npos);

    // Every stream: its dictionary names the length object, whose value spans the data.
    std::regex lengthRef("/Length ([0-9]+) 0 R");
    for (auto it = std::sregex_iterator(pdf.begin(), pdf.end(), lengthRef);
         it != std::sregex_iterator(); ++it) {
        long long lengthObject = std::stoll((*it)[1]);
        ASSERT_TRUE(offsets.count(lengthObject)) << lengthObject;
        size_t valueAt = offsets[lengthObject] + std::to_string(lengthObject).size() + 8;
        long long length = IntegerAt(pdf, valueAt);
        size_t stream = pdf.find("stream\r\n", it->position());
        ASSERT_NE(stream, std::string::npos);
        size_t data = stream + 8;
        bool ends = pdf.compare(data + length, 9, "endstream") == 0 ||
                    pdf.compare(data + length, 10, "\rendstream") == 0;
        EXPECT_TRUE(ends) << "stream of length object " << lengthObject;
    }
}

// The content of the stream whose dictionary is "<< /Length k 0 R >>" of page object `page`.
inline std::string PageContent(const std::string& pdf, int page) {
    std::string head = std::to_string(page + 1) + " 0 obj\r\n<< /Length " +
                       std::to_string(page + 2) + " 0 R >>\rstream\r\n";
    size_t at = pdf.find(head);
    if (at == std::string::npos)
        return "<no page " + std::to_string(page) + ">";
    at += head.size();
    return pdf.substr(at, pdf.find("endstream\r\n", at) - at);
}

}  // namespace terv::test
