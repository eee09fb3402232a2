#include "engine/Cp1251.h"
#include "engine/EXSiteGenerator.h"
#include "engine/Error.h"
#include "engine/TextReplace.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace zarvik {
namespace {

std::string Message(std::string_view utf8)
{
    return Utf8ToCp1251(utf8);
}

// Fills the template for one page. Each placeholder is replaced in turn over the text produced
// so far, so text inserted by one step is searched by the later steps only. `out` receives the
// page; `scratch` is working memory. Both keep their capacity from page to page.
void RenderPage(const TSiteGenerator &site, const TSitePage &page, std::string &out, std::string &scratch)
{
    std::string title;
    title.reserve(site.SiteTitle().size() + 3 + page.PageTitle().size());
    title.append(site.SiteTitle()).append(" - ").append(page.PageTitle());

    const std::string_view steps[][2] = {
        {"SiteGeneratorChange.Menu", site.SiteMenu()},
        {"SiteGeneratorChange.MainText", page.PageHTML()},
        {"SiteGeneratorChange.Pagination", page.Pagination()},
        {"SiteGeneratorChange.Header", site.SiteHeader()},
        {"SiteGeneratorChange.Footer", site.SiteFooter()},
        {"SiteGeneratorChange.Adsense", site.AdsenseCode()},
        {"SiteGeneratorChange.Title", title},
    };
    out.assign(site.SiteTemplate());
    for (const auto &step : steps)
        ReplaceAllInPlace(out, step[0], step[1], scratch);
}

// Page names come from the user. One that is absolute or climbs out with ".." would write
// outside the export folder, so it stops the export.
bool StaysInsideFolder(std::string_view url)
{
    if (!url.empty() && url.front() == '/')
        return false;
    std::size_t start = 0;
    while (start <= url.size()) {
        std::size_t end = url.find('/', start);
        if (end == std::string_view::npos)
            end = url.size();
        if (url.substr(start, end - start) == "..")
            return false;
        start = end + 1;
    }
    return true;
}

[[noreturn]] void ThrowCreateError(const std::string &path, int error)
{
    throw EError("Cannot create file \"" + Utf8ToCp1251(path) + "\". " + Utf8ToCp1251(std::strerror(error)));
}

// An open file that is closed on every path out.
class TOutputFile
{
public:
    explicit TOutputFile(std::string path)
        : FPath(std::move(path))
    {
        // A name with a NUL byte would silently name a shorter file.
        if (FPath.find('\0') != std::string::npos)
            ThrowCreateError(FPath, EINVAL);
        FHandle = ::open(FPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (FHandle < 0)
            ThrowCreateError(FPath, errno);
    }
    TOutputFile(const TOutputFile &) = delete;
    TOutputFile &operator=(const TOutputFile &) = delete;
    ~TOutputFile()
    {
        if (FHandle >= 0)
            ::close(FHandle);
    }

    void Write(std::string_view bytes)
    {
        while (!bytes.empty()) {
            const ssize_t written = ::write(FHandle, bytes.data(), bytes.size());
            if (written < 0) {
                if (errno == EINTR)
                    continue;
                ThrowCreateError(FPath, errno);
            }
            bytes.remove_prefix(static_cast<std::size_t>(written));
        }
    }

    // A failed close can be the first report of a failed write (a full disk, a network share).
    void Close()
    {
        const int handle = FHandle;
        FHandle = -1;
        if (::close(handle) != 0 && errno != EINTR)
            ThrowCreateError(FPath, errno);
    }

private:
    std::string FPath;
    int FHandle = -1;
};

void WriteWholeFile(const std::string &path, std::string_view bytes)
{
    TOutputFile file(path);
    file.Write(bytes);
    file.Close();
}

bool IsDirectory(const std::string &path)
{
    struct stat info;
    return !path.empty() && path.find('\0') == std::string::npos && ::stat(path.c_str(), &info) == 0 &&
           S_ISDIR(info.st_mode);
}

} // namespace

std::string TSiteGenerator::TemplateProcessingF(int index) const
{
    const TSitePage &page = FPages.Items(index);
    std::string out;
    std::string scratch;
    RenderPage(*this, page, out, scratch);
    return out;
}

void TSiteGenerator::ExportSite(const std::string &folder, TPrompter &prompter)
{
    if (!FLinksWasSetted && prompter.ask(MessageKind::Warning, Message("Ссылки не расставлены!\rРасставить?"),
                                         Buttons::YesNo) == Answer::Yes)
        SetLinks(prompter);
    GeneratePag();

    // Model text is Windows-1251; the file system takes UTF-8 names.
    const std::string directory = Cp1251ToUtf8(folder);
    if (!IsDirectory(directory)) {
        prompter.ask(MessageKind::Error, Message("Указанный каталог не существует"), Buttons::Ok);
        return;
    }

    const auto count = static_cast<std::size_t>(FPages.Count());
    ReportProgress(0, count);
    std::string rendered;
    std::string scratch;
    for (std::size_t i = 0; i < count; ++i) {
        const TSitePage &page = FPages[static_cast<int>(i)];
        if (!StaysInsideFolder(page.PageUrl())) {
            throw EError(Message("Адрес страницы \"") + page.PageUrl() +
                         Message("\" указывает за пределы папки выгрузки"));
        }
        TOutputFile file(directory + "/" + Cp1251ToUtf8(page.PageUrl()));
        RenderPage(*this, page, rendered, scratch);
        file.Write(rendered);
        file.Close();
        ReportProgress(i + 1, count);
    }
    WriteWholeFile(directory + "/style.css", FCssCode);
    prompter.ask(MessageKind::Information, Message("Сайт успешно выгружен!"), Buttons::Ok);
}

void TSiteGenerator::SiteImport(TPrompter &prompter)
{
    ExportSite(FSavePath, prompter);
}

} // namespace zarvik
