// Loads the same files with XmlDocument, pugixml and libxml2 and prints the
// throughput of each and XmlDocument's ratios to the other two. The files are
// generated here: a 6 KB profile exchange file, and 300 KB and 30 MB ones of
// the same shape. Each figure is the best of repeated loads (construction,
// file read, parse and destruction included). The program's own loading caps
// its files at 16 MB; here the file is read without the cap, the same way,
// so that the 30 MB figure measures the parser rather than a refusal.

#include "platform/DataFile.h"
#include "xml/XmlDocument.h"

#include <libxml/parser.h>
#include <pugixml.hpp>

#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>

namespace {

std::string Profile(int index)
{
    std::string out = "<profile name=\"Profile " + std::to_string(index) + " &amp; \xC3\xA9t\xC3\xA9\" index=\""
                      + std::to_string(index) + "\">\r\n";
    static const char* const keys[] = {"dpi_count", "dpi_index", "dpi_group0_value", "dpi_group0_color",
                                       "report_rate", "lod", "sleep_time", "button_respondtime"};
    for (int k = 0; k < 8; ++k)
        out += "<config key=\"" + std::string(keys[k]) + "\" value=\"" + std::to_string(400 * (k + 1)) + "\"/>\r\n";
    for (int b = 0; b < 6; ++b)
        out += "<key index=\"" + std::to_string(b) + "\" func_type=\"2\" value1=\"" + std::to_string(4 + b)
               + "\" value2=\"0\" value3=\"0\" desc=\"Key &lt;" + std::to_string(b) + "&gt;\"/>\r\n";
    out += "<macro name=\"Combo " + std::to_string(index) + "\">\r\n";
    for (int m = 0; m < 6; ++m)
        out += "<macroinfo type=\"" + std::to_string(2 + m % 2) + "\" value=\"" + std::to_string(4 + m)
               + "\" text=\"A\" delay=\"" + std::to_string(10 * m) + "\"/>\r\n";
    out += "</macro>\r\n</profile>\r\n";
    return out;
}

std::string Document(size_t target)
{
    std::string out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<profiles version=\"3\">\r\n";
    for (int i = 0; out.size() < target; ++i)
        out += Profile(i);
    out += "</profiles>\r\n";
    return out;
}

// The best time of the loads, or 0 when one failed.
double BestSeconds(const std::function<bool()>& load, size_t bytes)
{
    // Enough repetitions for about half a second, at least three.
    const int repeats = static_cast<int>(std::clamp<size_t>((size_t(150) << 20) / std::max<size_t>(bytes, 1), 3, 20000));
    double best = 1e9;
    for (int i = 0; i < repeats; ++i) {
        const auto start = std::chrono::steady_clock::now();
        if (!load()) {
            std::fprintf(stderr, "load failed\n");
            return 0;
        }
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    return best;
}

} // namespace

int main()
{
    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "no temporary folder\n");
        return 1;
    }
    xmlInitParser();
    const std::pair<const char*, size_t> sizes[] = {{"6 KB", 6 * 1024}, {"300 KB", 300 * 1024}, {"30 MB", 30 * 1024 * 1024}};
    std::printf("%-8s %10s %12s %12s %12s %10s %10s\n", "file", "bytes", "XmlDocument", "pugixml", "libxml2",
                "/pugixml", "/libxml2");
    bool allMet = true;
    for (const auto& [label, target] : sizes) {
        const std::string bytes = Document(target);
        const QString path = dir.filePath(QStringLiteral("bench.xml"));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(bytes.data(), qint64(bytes.size())) != qint64(bytes.size())) {
            std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
            return 1;
        }
        file.close();
        const std::string nativePath = path.toStdString();

        const double ours = BestSeconds([&] {
            XmlDocument doc;
            const DataFile::Contents contents = DataFile::Read(path, -1);
            return contents.IsRead() && doc.LoadBytes(contents.bytes);
        }, bytes.size());
        const double pugi = BestSeconds([&] {
            pugi::xml_document doc;
            return bool(doc.load_file(nativePath.c_str()));
        }, bytes.size());
        const double libxml = BestSeconds([&] {
            const std::unique_ptr<xmlDoc, decltype(&xmlFreeDoc)> doc(
                xmlReadFile(nativePath.c_str(), nullptr, XML_PARSE_NONET), &xmlFreeDoc);
            return doc != nullptr;
        }, bytes.size());

        if (ours <= 0 || pugi <= 0 || libxml <= 0) {
            std::printf("%-8s %10zu  a load failed: no figures\n", label, bytes.size());
            allMet = false;
            continue;
        }
        const double mb = double(bytes.size()) / (1024.0 * 1024.0);
        const double vsPugi = pugi / ours;
        const double vsLibxml = libxml / ours;
        allMet = allMet && vsPugi >= 0.5 && vsLibxml >= 3.0;
        std::printf("%-8s %10zu %9.0f MB/s %7.0f MB/s %7.0f MB/s %9.2fx %9.2fx\n", label, bytes.size(), mb / ours,
                    mb / pugi, mb / libxml, vsPugi, vsLibxml);
    }
    std::printf("targets (>= 0.5x pugixml, >= 3x libxml2 on every size): %s\n", allMet ? "met" : "NOT met");
    xmlCleanupParser();
    return 0;
}
