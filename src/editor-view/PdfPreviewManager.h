#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// Follows links to a page of a PDF file: the path (or a file URL) followed by "#page=" and the
// 1-based page number. The PDF preview window comes with the application's panels; until one is
// installed, the PDF opens in the desktop's viewer, at the page where that viewer is known to take
// one.
class PdfPreviewManager {
public:
    struct PdfPageLink {
        std::string path;
        // 0 when the text after "page=" starts with no digit.
        int64_t pageNumber = 0;
    };

    // What shows a PDF at a page.
    class Viewer {
    public:
        virtual ~Viewer() = default;
        // true when the file was opened.
        virtual bool openPdfFile(const std::string& path, int64_t pageNumber) = 0;
    };

    // The link's file and page; nothing for a link without "page=", to a file that does not exist,
    // or with a URL that is not a file URL.
    static std::optional<PdfPageLink> parsePdfLink(const std::string& link);
    // true when a PDF was opened; false sends the caller on to handle the link otherwise.
    static bool openPdfLink(const std::string& link);
    static bool openPdfFile(const std::string& path, int64_t pageNumber);
    // The key of a file's preview window: its real path, links and "." and ".." resolved, letter
    // case kept, since two names that differ in case are two files here. A path that does not
    // resolve keys as written.
    static std::string normalizeKey(const std::string& path);
    // Installs the viewer (not owned); nullptr brings back the desktop's.
    static void setViewer(Viewer* viewer);
    static bool hasViewer();

    // The command line that opens the file at the page in a PDF viewer known to take a page on its
    // command line (by the name of its program); nothing for other programs or no page.
    static std::optional<std::vector<std::string>> pageCommandLine(const std::string& program, const std::string& path,
                                                                   int64_t pageNumber);
};
