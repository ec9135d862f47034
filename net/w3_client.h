#pragma once
// One HTTP exchange: connect to a host, send one GET or multipart POST (HTTP/1.0), read the body.
// Blocking; used only on worker threads, inside a work flow's pool step. HTTPS certificates are
// verified against the system's trust store, or the configured authority file.

#include <cstddef>
#include <string>
#include <vector>

#include "net/multipart_body.h"
#include "net/url_parts.h"

struct RequestLimits {
    long connectSeconds = 15;
    long totalSeconds = 120;                       // the whole exchange, body included
    std::size_t maxBodyBytes = 32u * 1024 * 1024;  // longer answers are cut here
};

// The limits of every request made after the call (for tools and tests; the defaults suit the
// service).
void SetDefaultRequestLimits(const RequestLimits& limits);
RequestLimits DefaultRequestLimits();

class W3Client {
  public:
    W3Client();
    W3Client(const W3Client&) = delete;
    W3Client& operator=(const W3Client&) = delete;
    virtual ~W3Client();

    virtual bool Connect(const std::string& host, int port, const std::string& user,
                         const std::string& password, UrlParts::Kind kind,
                         const std::string& agent);
    // Splits the URL, remembers its path and query as the current request path, connects.
    bool ConnectUrl(const std::string& url);
    const std::string& RequestPath() const { return requestPath_; }

    virtual bool Get(const std::string& path);
    void AddPostArgument(const std::string& name, const std::string& value, bool isFile);
    // False without sending anything when a file argument cannot be read.
    virtual bool PostMultipart(const std::string& path);

    // Up to 1023 bytes of the answer's body; 0 at its end.
    std::size_t ReadChunk(char* buffer);

    // The HTTP status of the answer, 0 when none arrived. The request functions do not look at it.
    long Status() const { return status_; }
    void SetLimits(const RequestLimits& limits) { limits_ = limits; }
    void SetCaFile(const std::string& path) { caFile_ = path; }

  private:
    bool Perform(const std::string& path, const std::string* body, const std::string& boundary);
    std::string BaseUrl() const;

    std::string host_;
    std::string user_;
    std::string password_;
    std::string agent_;
    std::string requestPath_;
    std::string caFile_;
    int port_ = 0;
    UrlParts::Kind kind_ = UrlParts::kHttp;
    std::vector<PostArgument> postArguments_;
    RequestLimits limits_;
    std::string response_;
    std::size_t readOffset_ = 0;
    long status_ = 0;
};
