#pragma once

// SHA-256 through OpenSSL's EVP interface, which picks the processor's hash instructions where
// there are any. Digests are given as 64 lower-case hex digits, as sha256sum prints them.

#include <cstddef>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <string>

struct evp_md_ctx_st;

namespace kivora::exporting {

// One running digest. Used by one thread at a time.
class Sha256 {
public:
    Sha256();
    ~Sha256();
    Sha256(const Sha256&) = delete;
    Sha256& operator=(const Sha256&) = delete;

    void update(std::span<const std::byte> data);
    // The digest of everything given so far; the object starts over afterwards.
    std::string finishHex();

private:
    struct Free {
        void operator()(evp_md_ctx_st* ctx) const;
    };
    std::unique_ptr<evp_md_ctx_st, Free> m_ctx;
};

// Processor seconds the calling thread has used: hashing throughput timed with it is the
// library's, not the share of the processor that a busy machine left to the thread.
double ThreadCpuSeconds();

// The digest of a whole file; none (error says why) when it cannot be read.
std::optional<std::string> Sha256OfFile(const std::filesystem::path& path, std::string& error);

} // namespace kivora::exporting
