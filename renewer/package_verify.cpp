#include "package_verify.h"

#include "scoped_handle.h"

#include <windows.h>
#include <bcrypt.h>

#include <cstring>
#include <memory>
#include <new>

namespace {

constexpr DWORD kHashBlockSize = 1 << 20;

bool Succeeded(NTSTATUS status)
{
    return status >= 0;
}

// CNG's algorithm provider and hash object, closed on every return path.
struct Sha256Hasher {
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    BCRYPT_HASH_HANDLE hash = nullptr;
    ~Sha256Hasher()
    {
        if (hash != nullptr)
            BCryptDestroyHash(hash);
        if (algorithm != nullptr)
            BCryptCloseAlgorithmProvider(algorithm, 0);
    }
    bool open()
    {
        return Succeeded(BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0)) &&
               Succeeded(BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0));
    }
};

bool Sha256OfFile(HANDLE file, unsigned char digest[32])
{
    Sha256Hasher hasher;
    if (!hasher.open())
        return false;
    std::unique_ptr<unsigned char[]> block(new (std::nothrow) unsigned char[kHashBlockSize]);
    if (!block)
        return false;
    for (;;) {
        DWORD read = 0;
        if (!ReadFile(file, block.get(), kHashBlockSize, &read, nullptr))
            return false;
        if (read == 0)
            break;
        if (!Succeeded(BCryptHashData(hasher.hash, block.get(), read, 0)))
            return false;
    }
    return Succeeded(BCryptFinishHash(hasher.hash, digest, 32, 0));
}

}  // namespace

bool PackageMatches(const char* path, const PackageCheck& check)
{
    if (check.malformed)
        return false;
    if (!check.sizeNamed && !check.sha256Named)
        return true;

    ScopedHandle file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file.valid())
        return false;
    if (check.sizeNamed) {
        LARGE_INTEGER size;
        if (!GetFileSizeEx(file.get(), &size) || static_cast<uint64_t>(size.QuadPart) != check.size)
            return false;
    }
    if (check.sha256Named) {
        unsigned char digest[32];
        if (!Sha256OfFile(file.get(), digest) || std::memcmp(digest, check.sha256, sizeof digest) != 0)
            return false;
    }
    return true;
}
