// The carried 7-Zip files of the fake platform: settable bytes.
#include "platform/payload.h"

#include "platform/fake/fake_state.h"

std::string LoadPayloadBytes(PayloadItem item) {
    return item == PayloadItem::SevenZipExe ? Fake().payloadExe : Fake().payloadDll;
}

void SetFakePayload(PayloadItem item, const std::string& bytes) {
    (item == PayloadItem::SevenZipExe ? Fake().payloadExe : Fake().payloadDll) = bytes;
}
