#include "net/tls_trust_store.h"

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>

#include <cctype>
#include <cstdlib>
#include <vector>

#include <dirent.h>

namespace {

// "3513523f.0": a subject hash and a sequence number, as openssl rehash and
// update-ca-certificates name the links (CRLs are "3513523f.r0").
constexpr std::size_t SubjectHashLength = 8;

bool IsHashLinkName(const char* Name) {
    for (std::size_t I = 0; I < SubjectHashLength; ++I)
        if (!std::isxdigit(static_cast<unsigned char>(Name[I])))
            return false;
    const char* Number = Name + SubjectHashLength;
    if (*Number++ != '.' || *Number == '\0')
        return false;
    for (; *Number != '\0'; ++Number)
        if (!std::isdigit(static_cast<unsigned char>(*Number)))
            return false;
    return true;
}

bool HasHashLinks(const std::string& Dir) {
    DIR* Handle = ::opendir(Dir.c_str());
    if (Handle == nullptr)
        return false;
    bool Found = false;
    while (const dirent* Entry = ::readdir(Handle))
        if ((Found = IsHashLinkName(Entry->d_name)))
            break;
    ::closedir(Handle);
    return Found;
}

std::string Environment(const char* Name) {
    const char* Value = std::getenv(Name);
    return Value != nullptr ? Value : "";
}

// The certificate directories that can be searched by hash.
std::vector<std::string> HashedDirectories() {
    std::string List = Environment(X509_get_default_cert_dir_env());
    if (List.empty())
        List = X509_get_default_cert_dir();
    std::vector<std::string> Dirs;
    std::size_t Start = 0;
    while (Start <= List.size()) {
        std::size_t End = List.find(':', Start);
        if (End == std::string::npos)
            End = List.size();
        const std::string Dir = List.substr(Start, End - Start);
        if (!Dir.empty() && HasHashLinks(Dir))
            Dirs.push_back(Dir);
        Start = End + 1;
    }
    return Dirs;
}

} // namespace

bool LoadTlsTrustStore(ssl_ctx_st* Context, const std::string& CAFile) {
    const std::vector<std::string> Dirs = HashedDirectories();
    for (const std::string& Dir : Dirs)
        SSL_CTX_load_verify_dir(Context, Dir.c_str());
    std::string Bundle = Environment(X509_get_default_cert_file_env());
    if (Bundle.empty() && Dirs.empty())
        Bundle = X509_get_default_cert_file();
    if (!Bundle.empty())
        SSL_CTX_load_verify_file(Context, Bundle.c_str());
    ERR_clear_error();
    return CAFile.empty() || SSL_CTX_load_verify_file(Context, CAFile.c_str()) == 1;
}
