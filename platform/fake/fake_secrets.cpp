// A reversible stand-in for the system's sealing: a marker and the UTF-16LE
// bytes turned, so a test sees neither the plain text nor a real blob.
#include "platform/secrets.h"

#include "platform/fake/fake_state.h"

namespace {

constexpr char kMarker[] = "fake-sealed:";
constexpr std::size_t kMarkerSize = sizeof kMarker - 1;
constexpr unsigned char kTurn = 0x5A;

}  // namespace

void SetFakeSecretsFail(bool fail) {
    Fake().secretsFail = fail;
}

bool ProtectSecret(const std::wstring& secret, std::string& blob) {
    blob.clear();
    if (Fake().secretsFail) return false;
    blob = kMarker;
    for (wchar_t c : secret) {
        blob += static_cast<char>((c & 0xFF) ^ kTurn);
        blob += static_cast<char>(((c >> 8) & 0xFF) ^ kTurn);
    }
    return true;
}

bool UnprotectSecret(const std::string& blob, std::wstring& secret) {
    secret.clear();
    if (Fake().secretsFail || blob.compare(0, kMarkerSize, kMarker) != 0 || (blob.size() - kMarkerSize) % 2 != 0)
        return false;
    secret.reserve((blob.size() - kMarkerSize) / 2);  // as the real one: never grown over the secret
    for (std::size_t i = kMarkerSize; i < blob.size(); i += 2) {
        const unsigned low = static_cast<unsigned char>(blob[i]) ^ kTurn;
        const unsigned high = static_cast<unsigned char>(blob[i + 1]) ^ kTurn;
        secret += static_cast<wchar_t>(low | (high << 8));
    }
    return true;
}
