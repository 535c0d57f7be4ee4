// A small HTTP server on 127.0.0.1 for the tests that fetch pages: each path
// answers with the bytes given (a whole response, status line and headers
// included), or holds the connection open and never answers.
#pragma once
#include <winsock2.h>
#include <ws2tcpip.h>

#include <atomic>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace qm::test {

class TLocalHttpServer {
public:
    struct TAnswer {
        std::string response;  // sent as it stands
        bool silent = false;   // accept, read the request and never answer
    };

    explicit TLocalHttpServer(std::map<std::string, TAnswer> routes) : routes_(std::move(routes)) {
        WSADATA wsa;
        ::WSAStartup(MAKEWORD(2, 2), &wsa);
        listener_ = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in at{};
        at.sin_family = AF_INET;
        at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        at.sin_port = 0;
        ::bind(listener_, reinterpret_cast<sockaddr*>(&at), sizeof(at));
        int size = sizeof(at);
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&at), &size);
        port_ = ntohs(at.sin_port);
        ::listen(listener_, 8);
        thread_ = std::thread([this] { Serve(); });
    }
    ~TLocalHttpServer() {
        stop_ = true;
        thread_.join();
        for (SOCKET s : held_) ::closesocket(s);
        ::closesocket(listener_);
        ::WSACleanup();
    }
    TLocalHttpServer(const TLocalHttpServer&) = delete;
    TLocalHttpServer& operator=(const TLocalHttpServer&) = delete;

    std::wstring Url(const std::string& path) const {
        return L"http://127.0.0.1:" + std::to_wstring(port_) + std::wstring(path.begin(), path.end());
    }

    // A plain page: status 200, the content type, the body.
    static TAnswer Page(const std::string& body, const std::string& contentType = "text/html") {
        return {"HTTP/1.1 200 OK\r\nContent-Type: " + contentType +
                "\r\nContent-Length: " + std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body};
    }
    // The same page sent in chunks of the given size.
    static TAnswer Chunked(const std::string& body, size_t chunk) {
        std::string out =
            "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nTransfer-Encoding: chunked\r\n"
            "Connection: close\r\n\r\n";
        for (size_t at = 0; at < body.size(); at += chunk) {
            std::string part = body.substr(at, chunk);
            char size[16];
            std::snprintf(size, sizeof(size), "%zx\r\n", part.size());
            out += size + part + "\r\n";
        }
        return {out + "0\r\n\r\n"};
    }

private:
    void Serve() {
        while (!stop_) {
            fd_set ready;
            FD_ZERO(&ready);
            FD_SET(listener_, &ready);
            timeval wait{0, 100 * 1000};
            if (::select(0, &ready, nullptr, nullptr, &wait) <= 0) continue;
            SOCKET client = ::accept(listener_, nullptr, nullptr);
            if (client == INVALID_SOCKET) continue;
            std::string request;
            char buffer[2048];
            while (request.find("\r\n\r\n") == std::string::npos) {
                int n = ::recv(client, buffer, sizeof(buffer), 0);
                if (n <= 0) break;
                request.append(buffer, static_cast<size_t>(n));
            }
            size_t space = request.find(' '), end = request.find(' ', space + 1);
            std::string path = space == std::string::npos ? "" : request.substr(space + 1, end - space - 1);
            auto it = routes_.find(path);
            if (it != routes_.end() && it->second.silent) {
                held_.push_back(client);  // never answered, closed when the server goes
                continue;
            }
            std::string response =
                it != routes_.end() ? it->second.response : "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n";
            for (size_t at = 0; at < response.size();) {
                int n = ::send(client, response.data() + at, static_cast<int>(response.size() - at), 0);
                if (n <= 0) break;
                at += static_cast<size_t>(n);
            }
            ::shutdown(client, SD_SEND);
            ::closesocket(client);
        }
    }

    std::map<std::string, TAnswer> routes_;
    SOCKET listener_ = INVALID_SOCKET;
    unsigned short port_ = 0;
    std::atomic<bool> stop_{false};
    std::vector<SOCKET> held_;
    std::thread thread_;
};

}  // namespace qm::test
