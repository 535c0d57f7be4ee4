// Servers on 127.0.0.1 for the update check's tests.
//
// THttpsServer is openssl's s_server (Debian's openssl package, which
// scripts/bootstrap installs) serving the files of a folder over https, each
// file a whole answer with its status line and headers, as a web server sends
// a static file (with its length). The
// test starts it itself: Wine starts a Unix program handed to CreateProcess,
// here the shell with a small script, which notes the server's process id so
// the test ends exactly that process. The server's certificate is made once by
// openssl for 127.0.0.1 and kept beside the test programs; the test trusts it,
// in the current user's root store of the test prefix, only while the server
// lives.
//
// TSilentServer accepts connections and never answers, as a server that hangs.
#pragma once
#include <winsock2.h>
#include <windows.h>
#include <wincrypt.h>

#include <fstream>
#include <optional>
#include <string>

#include "base/files.h"
#include "base/strings.h"
#include "support/tempdir.h"

namespace qm::test {

// The Unix path of a Windows path (Wine's own call), or empty off Wine.
inline std::string UnixPathOf(const std::wstring& path) {
    using TFn = char*(CDECL*)(LPCWSTR);
    auto fn = reinterpret_cast<TFn>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "wine_get_unix_file_name")));
    if (!fn) return {};
    char* unix = fn(path.c_str());
    if (!unix) return {};
    std::string text = unix;
    ::HeapFree(::GetProcessHeap(), 0, unix);
    return text;
}

// Runs a shell command line as a Unix program; Wine gives no handle to it.
inline bool RunUnixShell(const std::string& command) {
    std::wstring line = L"sh -c \"" + Utf8ToWide(command) + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    if (!::CreateProcessW(L"Z:\\bin\\sh", line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return false;
    if (pi.hProcess) ::CloseHandle(pi.hProcess);
    if (pi.hThread) ::CloseHandle(pi.hThread);
    return true;
}

// A port of 127.0.0.1 that nothing listens on just now.
inline int FreeLocalPort() {
    SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) return 0;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof(a);
    int port = 0;
    if (::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof(a)) == 0 &&
        ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &length) == 0)
        port = ntohs(a.sin_port);
    ::closesocket(s);
    return port;
}

inline bool Accepts(int port) {
    SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) return false;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<u_short>(port));
    bool ok = ::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof(a)) == 0;
    ::closesocket(s);
    return ok;
}

class TWinsock {
public:
    TWinsock() { ok_ = ::WSAStartup(MAKEWORD(2, 2), &data_) == 0; }
    ~TWinsock() {
        if (ok_) ::WSACleanup();
    }
    TWinsock(const TWinsock&) = delete;
    TWinsock& operator=(const TWinsock&) = delete;

private:
    WSADATA data_{};
    bool ok_ = false;
};

// Waits up to the time for the file to exist.
inline bool WaitForFile(const std::wstring& path, DWORD ms) {
    for (DWORD waited = 0; waited < ms; waited += 50) {
        if (IsExistingFile(path)) return true;
        ::Sleep(50);
    }
    return IsExistingFile(path);
}

class TSilentServer {
public:
    TSilentServer() {
        socket_ = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        int length = sizeof(a);
        if (socket_ != INVALID_SOCKET && ::bind(socket_, reinterpret_cast<sockaddr*>(&a), sizeof(a)) == 0 &&
            ::listen(socket_, 4) == 0 && ::getsockname(socket_, reinterpret_cast<sockaddr*>(&a), &length) == 0)
            port_ = ntohs(a.sin_port);
    }
    ~TSilentServer() {
        if (socket_ != INVALID_SOCKET) ::closesocket(socket_);
    }
    TSilentServer(const TSilentServer&) = delete;
    TSilentServer& operator=(const TSilentServer&) = delete;
    int Port() const { return port_; }

private:
    TWinsock winsock_;
    SOCKET socket_ = INVALID_SOCKET;
    int port_ = 0;
};

class THttpsServer {
public:
    // Without trust, the server's certificate is one the client does not know.
    explicit THttpsServer(bool trust = true) {
        port_ = FreeLocalPort();
        std::wstring keep = JoinPath(ModuleFolder(), L"https-test");
        CreateFolderTree(keep);
        cert_ = JoinPath(keep, L"cert.pem");
        std::string keepUnix = UnixPathOf(keep), servedUnix = UnixPathOf(served_.Path());
        if (!port_ || keepUnix.empty() || servedUnix.empty()) {
            failure = "no free port or no Unix paths (not running under Wine?)";
            return;
        }
        std::string cert = keepUnix + "/cert.pem", key = keepUnix + "/key.pem";
        pidFile_ = served_ / L"server.pid";
        std::string script =
            "cd '" + servedUnix + "' || exit 1; " + "[ -s '" + cert + "' ] || openssl req -x509 -newkey rsa:2048 " +
            "-nodes -days 3650 -subj /CN=127.0.0.1 -addext subjectAltName=IP:127.0.0.1,DNS:127.0.0.1 -keyout '" + key +
            "' -out '" + cert + ".new' >/dev/null 2>&1 && mv '" + cert + ".new' '" + cert + "'; " +
            "timeout 300 openssl s_server -accept 127.0.0.1:" + std::to_string(port_) + " -cert '" + cert + "' -key '" +
            key + "' -HTTP -quiet </dev/null >/dev/null 2>&1 & echo $! > server.pid.new && " +
            "mv server.pid.new server.pid";
        if (!RunUnixShell(script)) {
            failure = "the shell did not start";
            return;
        }
        if (!WaitForFile(pidFile_, 20000) || !WaitForFile(cert_, 20000)) {
            failure = "openssl did not start (is the openssl package installed?)";
            return;
        }
        for (int i = 0; i < 200 && !Accepts(port_); ++i) ::Sleep(50);
        if (!Accepts(port_)) {
            failure = "the server does not accept connections";
            return;
        }
        if (trust && !Trust()) failure = "the certificate could not be trusted";
    }
    ~THttpsServer() {
        Distrust();
        std::optional<std::string> pid = ReadFileBytes(pidFile_);
        if (pid && !Trim(Utf8ToWide(*pid)).empty()) RunUnixShell("kill " + WideToUtf8(Trim(Utf8ToWide(*pid))));
    }
    THttpsServer(const THttpsServer&) = delete;
    THttpsServer& operator=(const THttpsServer&) = delete;

    bool Ok() const { return failure.empty(); }
    int Port() const { return port_; }
    std::wstring Url(const std::wstring& path) const {
        return L"https://127.0.0.1:" + std::to_wstring(port_) + L"/" + path;
    }
    // Puts a file in the served folder ("quilmar/update.xml"), served with
    // the status and its length.
    bool Serve(const std::wstring& path, const std::string& content, const std::string& status = "200 OK") {
        std::wstring file = served_ / path;
        CreateFolderTree(FolderOf(file));
        std::string answer = "HTTP/1.1 " + status +
                             "\r\nContent-Type: text/xml\r\nContent-Length: " + std::to_string(content.size()) +
                             "\r\nConnection: close\r\n\r\n" + content;
        return WriteFileReplacing(file, answer, TDurability::NoFlush);
    }

    std::string failure;

private:
    // The root store of the current user keeps its certificates in the registry;
    // Wine writes an added one there only when the store is closed.
    static constexpr wchar_t kRootCertificates[] = L"Software\\Microsoft\\SystemCertificates\\Root\\Certificates\\";

    bool Trust() {
        std::optional<std::string> pem = ReadFileBytes(cert_);
        if (!pem) return false;
        DWORD size = 0;
        if (!::CryptStringToBinaryA(pem->c_str(), static_cast<DWORD>(pem->size()), CRYPT_STRING_BASE64HEADER, nullptr,
                                    &size, nullptr, nullptr))
            return false;
        std::string der(size, '\0');
        if (!::CryptStringToBinaryA(pem->c_str(), static_cast<DWORD>(pem->size()), CRYPT_STRING_BASE64HEADER,
                                    reinterpret_cast<BYTE*>(der.data()), &size, nullptr, nullptr))
            return false;
        HCERTSTORE root = ::CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_CURRENT_USER, L"Root");
        if (!root) return false;
        PCCERT_CONTEXT added = nullptr;
        bool ok = ::CertAddEncodedCertificateToStore(root, X509_ASN_ENCODING, reinterpret_cast<const BYTE*>(der.data()),
                                                     size, CERT_STORE_ADD_REPLACE_EXISTING, &added) != FALSE;
        if (ok) {
            BYTE hash[20] = {};
            DWORD hashSize = sizeof(hash);
            if (::CertGetCertificateContextProperty(added, CERT_HASH_PROP_ID, hash, &hashSize)) {
                for (DWORD i = 0; i < hashSize; ++i) thumbprint_ += Format(L"%02X", hash[i]);
            }
            ::CertFreeCertificateContext(added);
        }
        ::CertCloseStore(root, 0);
        return ok && !thumbprint_.empty();
    }

    // A deletion from the store is not written back by Wine: the registry key goes.
    void Distrust() {
        if (thumbprint_.empty()) return;
        ::RegDeleteTreeW(HKEY_CURRENT_USER, (std::wstring(kRootCertificates) + thumbprint_).c_str());
        thumbprint_.clear();
    }

    TWinsock winsock_;
    TempDir served_;
    std::wstring cert_, pidFile_;
    int port_ = 0;
    std::wstring thumbprint_;
};

}  // namespace qm::test
