#include "app/PublishTransport.h"

#include "engine/Cp1251.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <curl/curl.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>
#include <sys/select.h>
#include <vector>

namespace zarvik {
namespace {

// Temporary files and names are ASCII; a page name may not be, so names are escaped by libcurl.
std::string EscapePath(CURL *curl, std::string_view path)
{
    std::string escaped;
    std::size_t start = 0;
    while (start <= path.size()) {
        const std::size_t slash = std::min(path.find('/', start), path.size());
        const std::string_view part = path.substr(start, slash - start);
        char *piece = curl_easy_escape(curl, part.data(), static_cast<int>(part.size()));
        if (!escaped.empty() || start > 0)
            escaped += '/';
        escaped += piece;
        curl_free(piece);
        start = slash + 1;
    }
    return escaped;
}

struct TCurlList
{
    curl_slist *List = nullptr;
    ~TCurlList() { curl_slist_free_all(List); }
    void Add(const std::string &line) { List = curl_slist_append(List, line.c_str()); }
};

// A quoted argument of an SFTP quote command.
std::string SftpArgument(const std::string &path)
{
    std::string quoted = "\"";
    for (const char c : path) {
        if (c == '"' || c == '\\')
            quoted += '\\';
        quoted += c;
    }
    return quoted + "\"";
}

class TCurlRemoteFolder : public TRemoteFolder
{
public:
    TCurlRemoteFolder(const TPublishTarget &target, std::string password, TTransferLimits limits)
        : FTarget(target)
        , FPassword(std::move(password))
        , FLimits(limits)
        , FCurl(curl_easy_init())
        , FMulti(curl_multi_init())
    {
        if (FCurl == nullptr || FMulti == nullptr)
            throw ETransferError(TTransferFailure::Other, Utf8ToCp1251("Не удалось запустить libcurl"));
    }

    ~TCurlRemoteFolder() override
    {
        curl_multi_cleanup(FMulti);
        curl_easy_cleanup(FCurl);
        // The password is gone from memory with the folder.
        std::fill(FPassword.begin(), FPassword.end(), '\0');
    }

    std::optional<std::string> Fetch(const std::string &name) override
    {
        std::string body;
        Prepare(Url(name));
        curl_easy_setopt(FCurl, CURLOPT_WRITEFUNCTION, &TCurlRemoteFolder::Collect);
        curl_easy_setopt(FCurl, CURLOPT_WRITEDATA, &body);
        const CURLcode code = Perform();
        // Nothing is created before the first upload: a folder that is not there yet holds nothing.
        if (code == CURLE_REMOTE_FILE_NOT_FOUND ||
            (code == CURLE_REMOTE_ACCESS_DENIED && !Sftp() && Reply() == 550))
            return std::nullopt;
        Check(code, name);
        return body;
    }

    void Upload(const std::string &name, const std::string &localPath, const TBytesSent &progress) override
    {
        std::FILE *file = std::fopen(localPath.c_str(), "rb");
        if (file == nullptr)
            throw EError(
                Utf8ToCp1251("Не удалось открыть файл \"" + localPath + "\": " + std::strerror(errno)));
        std::fseek(file, 0, SEEK_END);
        const long size = std::ftell(file);
        std::fseek(file, 0, SEEK_SET);
        Prepare(Url(name));
        curl_easy_setopt(FCurl, CURLOPT_UPLOAD, 1L);
        curl_easy_setopt(FCurl, CURLOPT_FTP_CREATE_MISSING_DIRS, static_cast<long>(CURLFTP_CREATE_DIR_RETRY));
        curl_easy_setopt(FCurl, CURLOPT_READDATA, file);
        curl_easy_setopt(FCurl, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(size));
        if (progress) {
            curl_easy_setopt(FCurl, CURLOPT_NOPROGRESS, 0L);
            curl_easy_setopt(FCurl, CURLOPT_XFERINFOFUNCTION, &TCurlRemoteFolder::Progress);
            curl_easy_setopt(FCurl, CURLOPT_XFERINFODATA, &progress);
        }
        const CURLcode code = Perform();
        std::fclose(file);
        Check(code, name);
    }

    void Put(const std::string &name, std::string_view bytes) override
    {
        TSource source{bytes};
        Prepare(Url(name));
        curl_easy_setopt(FCurl, CURLOPT_UPLOAD, 1L);
        curl_easy_setopt(FCurl, CURLOPT_FTP_CREATE_MISSING_DIRS, static_cast<long>(CURLFTP_CREATE_DIR_RETRY));
        curl_easy_setopt(FCurl, CURLOPT_READFUNCTION, &TCurlRemoteFolder::Supply);
        curl_easy_setopt(FCurl, CURLOPT_READDATA, &source);
        curl_easy_setopt(FCurl, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(bytes.size()));
        Check(Perform(), name);
    }

    std::optional<std::uint64_t> Size(const std::string &name) override
    {
        Prepare(Url(name));
        curl_easy_setopt(FCurl, CURLOPT_NOBODY, 1L);
        const CURLcode code = Perform();
        if (code == CURLE_REMOTE_FILE_NOT_FOUND)
            return std::nullopt;
        Check(code, name);
        curl_off_t length = -1;
        curl_easy_getinfo(FCurl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
        if (length < 0)
            return std::nullopt;
        return static_cast<std::uint64_t>(length);
    }

    void Rename(const std::string &from, const std::string &to) override
    {
        TCurlList commands;
        if (Sftp()) {
            // The SFTP rename of the protocol version OpenSSH speaks refuses to replace a file.
            commands.Add("*rm " + SftpArgument(QuotePath(to)));
            commands.Add("rename " + SftpArgument(QuotePath(from)) + " " + SftpArgument(QuotePath(to)));
        } else {
            commands.Add("RNFR " + from);
            commands.Add("RNTO " + to);
        }
        RunCommands(commands, to);
    }

    void Remove(const std::string &name, bool mayBeMissing) override
    {
        TCurlList commands;
        const std::string prefix = mayBeMissing ? "*" : "";
        if (Sftp())
            commands.Add(prefix + "rm " + SftpArgument(QuotePath(name)));
        else
            commands.Add(prefix + "DELE " + name);
        RunCommands(commands, name);
    }

private:
    struct TSource
    {
        std::string_view Rest;
    };

    static size_t Collect(char *data, size_t size, size_t count, void *target)
    {
        static_cast<std::string *>(target)->append(data, size * count);
        return size * count;
    }

    static size_t Discard(char *, size_t size, size_t count, void *) { return size * count; }

    static size_t Supply(char *buffer, size_t size, size_t count, void *source)
    {
        auto *s = static_cast<TSource *>(source);
        const std::size_t n = std::min(size * count, s->Rest.size());
        std::memcpy(buffer, s->Rest.data(), n);
        s->Rest.remove_prefix(n);
        return n;
    }

    static int Progress(void *data, curl_off_t, curl_off_t, curl_off_t, curl_off_t sent)
    {
        const auto *progress = static_cast<const TBytesSent *>(data);
        return (*progress)(static_cast<std::uint64_t>(sent)) ? 0 : 1;
    }

    long Reply() const
    {
        long reply = 0;
        curl_easy_getinfo(FCurl, CURLINFO_RESPONSE_CODE, &reply);
        return reply;
    }

    bool Sftp() const { return FTarget.Protocol == TPublishProtocol::Sftp; }

    std::string HostPart() const
    {
        std::string host =
            FTarget.Host.find(':') != std::string::npos ? "[" + FTarget.Host + "]" : FTarget.Host;
        const int port = FTarget.Port != 0 ? FTarget.Port : DefaultPort(FTarget.Protocol);
        return host + ":" + std::to_string(port);
    }

    // The folder as a URL path, ending in "/".
    std::string FolderUrlPath() const
    {
        const bool absolute = !FTarget.Folder.empty() && FTarget.Folder.front() == '/';
        const std::string rest = absolute ? FTarget.Folder.substr(1) : FTarget.Folder;
        std::string path = "/";
        if (Sftp() && !absolute)
            path += "~/";
        else if (!Sftp() && absolute)
            path += "%2F";
        if (!rest.empty())
            path += EscapePath(FCurl, rest) + "/";
        return path;
    }

    // The path an SFTP quote command takes: the folder as the URL gives it ("/~/" is the home).
    std::string QuotePath(const std::string &name) const
    {
        const bool absolute = !FTarget.Folder.empty() && FTarget.Folder.front() == '/';
        std::string path = absolute ? FTarget.Folder : "/~/" + FTarget.Folder;
        if (!path.ends_with('/'))
            path += '/';
        return path + name;
    }

    std::string Url(const std::string &name) const
    {
        std::string scheme = "ftp";
        if (Sftp())
            scheme = "sftp";
        else if (FTarget.Protocol == TPublishProtocol::FtpsImplicit)
            scheme = "ftps";
        return scheme + "://" + HostPart() + FolderUrlPath() + (name.empty() ? "" : EscapePath(FCurl, name));
    }

    void Prepare(const std::string &url)
    {
        curl_easy_reset(FCurl);
        FSeenFingerprint.clear();
        FServerError.clear();
        curl_easy_setopt(FCurl, CURLOPT_URL, url.c_str());
        curl_easy_setopt(FCurl, CURLOPT_USERNAME, FTarget.User.c_str());
        curl_easy_setopt(FCurl, CURLOPT_PASSWORD, FPassword.c_str());
        curl_easy_setopt(FCurl, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(FCurl, CURLOPT_CONNECTTIMEOUT, FLimits.ConnectSeconds);
        curl_easy_setopt(FCurl, CURLOPT_LOW_SPEED_LIMIT, 1L);
        curl_easy_setopt(FCurl, CURLOPT_LOW_SPEED_TIME, FLimits.StallSeconds);
        curl_easy_setopt(FCurl, CURLOPT_SERVER_RESPONSE_TIMEOUT, FLimits.StallSeconds);
        // Nothing a server sends reaches the terminal unless a request collects it.
        curl_easy_setopt(FCurl, CURLOPT_WRITEFUNCTION, &TCurlRemoteFolder::Discard);
        curl_easy_setopt(FCurl, CURLOPT_HEADERFUNCTION, &TCurlRemoteFolder::Discard);
        curl_easy_setopt(FCurl, CURLOPT_ERRORBUFFER, FErrorBuffer);
        FErrorBuffer[0] = '\0';
        if (Sftp()) {
            const bool key = !FTarget.SshKey.empty();
            curl_easy_setopt(FCurl, CURLOPT_SSH_AUTH_TYPES,
                             key ? static_cast<long>(CURLSSH_AUTH_PUBLICKEY)
                                 : static_cast<long>(CURLSSH_AUTH_PASSWORD | CURLSSH_AUTH_KEYBOARD));
            if (key) {
                curl_easy_setopt(FCurl, CURLOPT_SSH_PRIVATE_KEYFILE, FTarget.SshKey.c_str());
                const std::string publicKey = FTarget.SshKey + ".pub";
                curl_easy_setopt(FCurl, CURLOPT_SSH_PUBLIC_KEYFILE, publicKey.c_str());
                curl_easy_setopt(FCurl, CURLOPT_KEYPASSWD, FPassword.c_str());
            }
            // The callback sees every host key; the file only switches it on.
            curl_easy_setopt(FCurl, CURLOPT_SSH_KNOWNHOSTS, "/dev/null");
            curl_easy_setopt(FCurl, CURLOPT_SSH_HOSTKEYFUNCTION, &TCurlRemoteFolder::CheckHostKey);
            curl_easy_setopt(FCurl, CURLOPT_SSH_HOSTKEYDATA, this);
            return;
        }
        if (FTarget.Protocol != TPublishProtocol::Ftp) {
            if (FTarget.Protocol == TPublishProtocol::Ftps)
                curl_easy_setopt(FCurl, CURLOPT_USE_SSL, static_cast<long>(CURLUSESSL_ALL));
            curl_easy_setopt(FCurl, CURLOPT_SSL_VERIFYPEER, 1L);
            // Every data connection is a TLS connection of its own, and loading the whole CA
            // bundle for each cost more than sending the file. The CA folder next to it (the
            // default CA path) is looked up one certificate at a time, when a chain needs it.
            curl_easy_setopt(FCurl, CURLOPT_CAINFO, nullptr);
            curl_easy_setopt(FCurl, CURLOPT_SSL_VERIFYHOST, FTarget.Fingerprint.empty() ? 2L : 0L);
            curl_easy_setopt(FCurl, CURLOPT_SSL_CTX_FUNCTION, &TCurlRemoteFolder::SetUpTls);
            curl_easy_setopt(FCurl, CURLOPT_SSL_CTX_DATA, this);
            if (FTarget.TlsMax12)
                curl_easy_setopt(FCurl, CURLOPT_SSLVERSION,
                                 static_cast<long>(CURL_SSLVERSION_TLSv1_2) |
                                     static_cast<long>(CURL_SSLVERSION_MAX_TLSv1_2));
        }
        if (!FTarget.Passive)
            curl_easy_setopt(FCurl, CURLOPT_FTPPORT, "-");
    }

    static CURLcode SetUpTls(CURL *, void *context, void *self)
    {
        SSL_CTX_set_cert_verify_callback(static_cast<SSL_CTX *>(context),
                                         &TCurlRemoteFolder::VerifyCertificate, self);
        return CURLE_OK;
    }

    // The leaf certificate is compared with the pinned one when there is one; otherwise the
    // usual chain verification decides. Either way the fingerprint is kept for the message.
    static int VerifyCertificate(X509_STORE_CTX *store, void *data)
    {
        auto *self = static_cast<TCurlRemoteFolder *>(data);
        X509 *leaf = X509_STORE_CTX_get0_cert(store);
        unsigned char *der = nullptr;
        const int length = leaf == nullptr ? -1 : i2d_X509(leaf, &der);
        if (length <= 0)
            return 0;
        self->FSeenFingerprint = FingerprintOf(
            std::string_view(reinterpret_cast<const char *>(der), static_cast<std::size_t>(length)));
        OPENSSL_free(der);
        if (!self->FTarget.Fingerprint.empty())
            return self->FSeenFingerprint == self->FTarget.Fingerprint ? 1 : 0;
        return X509_verify_cert(store);
    }

    static int CheckHostKey(void *data, int, const char *key, size_t length)
    {
        auto *self = static_cast<TCurlRemoteFolder *>(data);
        self->FSeenFingerprint = FingerprintOf(std::string_view(key, length));
        return self->FSeenFingerprint == self->FTarget.Fingerprint ? CURLKHMATCH_OK : CURLKHMATCH_MISMATCH;
    }

    // One request on the folder's connection. libcurl 7.88 sometimes leaves a request with no
    // socket to wait on and no timer right after the reply to EPSV or PASV; its own easy loop
    // then sleeps a full second before connecting the data channel, which costs a second on
    // about every other file. This loop asks again after a millisecond in that state, and
    // otherwise waits as libcurl says.
    CURLcode Perform()
    {
        curl_multi_add_handle(FMulti, FCurl);
        int running = 1;
        CURLMcode multiCode = CURLM_OK;
        while (running > 0) {
            multiCode = curl_multi_perform(FMulti, &running);
            if (multiCode != CURLM_OK || running == 0)
                break;
            fd_set read;
            fd_set write;
            fd_set error;
            FD_ZERO(&read);
            FD_ZERO(&write);
            FD_ZERO(&error);
            int highest = -1;
            curl_multi_fdset(FMulti, &read, &write, &error, &highest);
            long wait = -1;
            curl_multi_timeout(FMulti, &wait);
            if (highest < 0)
                wait = 1;
            else if (wait < 0 || wait > 1000)
                wait = 1000;
            multiCode = curl_multi_poll(FMulti, nullptr, 0, static_cast<int>(wait), nullptr);
            if (multiCode != CURLM_OK)
                break;
        }
        CURLcode code = multiCode == CURLM_OK ? CURLE_OK : CURLE_RECV_ERROR;
        int left = 0;
        while (const CURLMsg *message = curl_multi_info_read(FMulti, &left))
            if (message->msg == CURLMSG_DONE && message->easy_handle == FCurl)
                code = message->data.result;
        curl_multi_remove_handle(FMulti, FCurl);
        return code;
    }

    void RunCommands(const TCurlList &commands, const std::string &name)
    {
        Prepare(Url({}));
        curl_easy_setopt(FCurl, CURLOPT_NOBODY, 1L);
        curl_easy_setopt(FCurl, CURLOPT_POSTQUOTE, commands.List);
        Check(Perform(), name);
    }

    [[noreturn]] void Fail(TTransferFailure kind, const std::string &utf8, std::string fingerprint = {})
    {
        throw ETransferError(kind, Utf8ToCp1251(utf8), std::move(fingerprint));
    }

    // A data transfer the server broke off. Over TLS 1.3 this is what a known stall of some FTPS
    // servers looks like, which capping TLS at 1.2 avoids.
    [[noreturn]] void BrokenOff(const std::string &detail, const std::string &file)
    {
        const bool tls13 = (FTarget.Protocol == TPublishProtocol::Ftps ||
                            FTarget.Protocol == TPublishProtocol::FtpsImplicit) &&
                           !FTarget.TlsMax12;
        Fail(TTransferFailure::Connection,
             "Сервер " + FTarget.Host + " оборвал передачу" + file + " (" + detail + ")" +
                 (tls13 ? ". Если так обрываются загрузки по FTPS, включите TLS не выше 1.2 (--tls-max 1.2)"
                        : ""));
    }

    void Check(CURLcode code, const std::string &name)
    {
        if (code == CURLE_OK)
            return;
        long reply = 0;
        curl_easy_getinfo(FCurl, CURLINFO_RESPONSE_CODE, &reply);
        const std::string host = FTarget.Host;
        const std::string port =
            std::to_string(FTarget.Port != 0 ? FTarget.Port : DefaultPort(FTarget.Protocol));
        const std::string detail = FErrorBuffer[0] != '\0' ? FErrorBuffer : curl_easy_strerror(code);
        const std::string shown =
            name.ends_with(UploadSuffix) ? name.substr(0, name.size() - UploadSuffix.size()) : name;
        const std::string file = name.empty() ? "" : " (файл \"" + shown + "\")";
        const bool identityFailure = code == CURLE_PEER_FAILED_VERIFICATION ||
                                     code == CURLE_SSL_CACERT_BADFILE ||
                                     code == CURLE_SSL_PINNEDPUBKEYNOTMATCH;
        if (identityFailure && Sftp()) {
            if (FTarget.Fingerprint.empty())
                Fail(TTransferFailure::UnknownHostKey,
                     "Ключ сервера " + host + " ещё не подтверждён: " + FSeenFingerprint +
                         ". Сверьте отпечаток с тем, что сообщил хостинг, и закрепите его "
                         "(--trust-fingerprint " +
                         FSeenFingerprint + ")",
                     FSeenFingerprint);
            Fail(TTransferFailure::ChangedIdentity,
                 "Ключ сервера " + host + " изменился: закреплён " + FTarget.Fingerprint + ", получен " +
                     FSeenFingerprint +
                     ". Публикация остановлена. Если хостинг не сообщал о смене ключа, это может быть "
                     "подмена сервера",
                 FSeenFingerprint);
        }
        if (identityFailure && !FSeenFingerprint.empty()) {
            if (!FTarget.Fingerprint.empty())
                Fail(TTransferFailure::ChangedIdentity,
                     "Сертификат сервера " + host + " изменился: закреплён " + FTarget.Fingerprint +
                         ", получен " + FSeenFingerprint +
                         ". Публикация остановлена. Если хостинг не сообщал о смене сертификата, это "
                         "может быть подмена сервера",
                     FSeenFingerprint);
            Fail(TTransferFailure::UnknownCertificate,
                 "Сертификат сервера " + host + " не подтверждён (" + detail + "). Его отпечаток " +
                     FSeenFingerprint +
                     ". Если это самоподписанный сертификат вашего сервера, сверьте отпечаток и закрепите "
                     "его (--trust-fingerprint " +
                     FSeenFingerprint + ")",
                 FSeenFingerprint);
        }
        switch (code) {
        case CURLE_COULDNT_RESOLVE_HOST:
            Fail(TTransferFailure::HostNotFound,
                 "Сервер \"" + host + "\" не найден. Проверьте имя сервера и подключение к сети");
        case CURLE_COULDNT_CONNECT:
            Fail(TTransferFailure::Refused, "Сервер " + host + " не принимает соединения на порту " + port +
                                                ". Проверьте порт и протокол (FTPS, SFTP, FTP)");
        case CURLE_LOGIN_DENIED:
            Fail(
                TTransferFailure::Login,
                "Сервер " + host + " не принял имя пользователя \"" + FTarget.User + "\" или пароль" +
                    (Sftp() ? " (или ключ: ключи RSA с libssh2 1.10 не работают, используйте ed25519)" : "") +
                    ". Проверьте их");
        case CURLE_USE_SSL_FAILED:
            Fail(TTransferFailure::Other,
                 "Сервер " + host +
                     " не поддерживает FTPS с явным TLS. Попробуйте ftps-implicit:// "
                     "или спросите хостинг");
        case CURLE_SSL_CONNECT_ERROR:
            Fail(TTransferFailure::Connection,
                 "Не удалось установить защищённое соединение с " + host + " (" + detail + ")");
        case CURLE_FTP_WEIRD_PASV_REPLY:
        case CURLE_FTP_CANT_GET_HOST:
        case CURLE_FTP_ACCEPT_FAILED:
        case CURLE_FTP_ACCEPT_TIMEOUT:
        case CURLE_FTP_PORT_FAILED:
            Fail(TTransferFailure::PassiveMode,
                 "Не удалось открыть соединение для данных с " + host + " (" + detail + "). " +
                     (FTarget.Passive ? "Попробуйте активный режим (--passive off)"
                                      : "Попробуйте пассивный режим (--passive on)"));
        case CURLE_OPERATION_TIMEDOUT:
            Fail(TTransferFailure::Timeout, "Сервер " + host + " не отвечает" + file +
                                                ". Проверьте соединение; если файлы приходят "
                                                "пустыми, включите TLS не выше 1.2 (--tls-max 1.2)");
        case CURLE_REMOTE_DISK_FULL:
            Fail(TTransferFailure::Quota,
                 "На сервере кончилось место" + file + ". Освободите место или увеличьте квоту");
        case CURLE_REMOTE_ACCESS_DENIED:
        case CURLE_QUOTE_ERROR:
        case CURLE_UPLOAD_FAILED:
            if (reply == 552 || reply == 452)
                Fail(TTransferFailure::Quota, "На сервере кончилось место" + file + " (" + detail +
                                                  "). Освободите место или увеличьте квоту");
            if (reply == 421 || reply == 425 || reply == 426)
                BrokenOff(detail, file);
            Fail(TTransferFailure::Permission, "Сервер " + host + " не дал записать в папку \"" +
                                                   FTarget.Folder + "\"" + file + " (" + detail +
                                                   "). Проверьте права на папку");
        default:
            break;
        }
        // A transfer that ended without the server's OK: 426 is the server breaking it off.
        if (reply == 426 || detail.ends_with("got 426"))
            BrokenOff(detail, file);
        Fail(TTransferFailure::Connection,
             "Соединение с " + host + " прервалось" + file + " (" + detail + ")");
    }

    TPublishTarget FTarget;
    std::string FPassword;
    TTransferLimits FLimits;
    CURL *FCurl;
    CURLM *FMulti;
    std::string FSeenFingerprint;
    std::string FServerError;
    char FErrorBuffer[CURL_ERROR_SIZE] = {};
};

} // namespace

std::unique_ptr<TRemoteFolder> ConnectRemoteFolder(const TPublishTarget &target, std::string password,
                                                   TTransferLimits limits)
{
    static const bool initialised = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    if (!initialised)
        throw ETransferError(TTransferFailure::Other, Utf8ToCp1251("Не удалось запустить libcurl"));
    return std::make_unique<TCurlRemoteFolder>(target, std::move(password), limits);
}

} // namespace zarvik
