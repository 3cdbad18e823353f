#include "kivora/export/Sha256.h"

#include "kivora/export/FileBlocks.h"

#include <openssl/evp.h>

#include <new>

#include <time.h>

namespace kivora::exporting {

void Sha256::Free::operator()(evp_md_ctx_st* ctx) const
{
    EVP_MD_CTX_free(ctx);
}

Sha256::Sha256()
    : m_ctx(EVP_MD_CTX_new())
{
    // Only out of memory fails here; there is nothing sensible to hash into then.
    if (!m_ctx || EVP_DigestInit_ex(m_ctx.get(), EVP_sha256(), nullptr) != 1)
        throw std::bad_alloc();
}

Sha256::~Sha256() = default;

void Sha256::update(std::span<const std::byte> data)
{
    if (!data.empty())
        EVP_DigestUpdate(m_ctx.get(), data.data(), data.size());
}

std::string Sha256::finishHex()
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    EVP_DigestFinal_ex(m_ctx.get(), digest, &length);
    EVP_DigestInit_ex(m_ctx.get(), EVP_sha256(), nullptr);
    static constexpr char kHex[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(length * 2);
    for (unsigned int i = 0; i < length; ++i) {
        hex += kHex[digest[i] >> 4];
        hex += kHex[digest[i] & 0xF];
    }
    return hex;
}

double ThreadCpuSeconds()
{
    timespec now {};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

std::optional<std::string> Sha256OfFile(const std::filesystem::path& path, std::string& error)
{
    Sha256 hash;
    if (!ReadBlocks(
            path,
            [&hash](std::span<const std::byte> block) {
                hash.update(block);
                return true;
            },
            error))
        return std::nullopt;
    return hash.finishHex();
}

} // namespace kivora::exporting
