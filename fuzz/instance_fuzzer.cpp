// The message a second launch sends the running instance: header checks as
// the bytes arrive, entry splitting and the arguments' turn into paths. A
// paths message taken apart must build back into the same bytes.
#include "app/InstanceMessage.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    qint64 payloadBytes = 0;
    for (qsizetype seen = 0; seen <= qMin<qsizetype>(bytes.size(), InstanceMessage::headerBytes);
         ++seen)
        InstanceMessage::parseHeader(bytes.first(seen), payloadBytes);
    QStringList paths;
    if (InstanceMessage::decode(bytes, paths) == InstanceMessage::Parse::Complete &&
        bytes.startsWith("OVST") && InstanceMessage::encode(paths) != bytes)
        __builtin_trap();
    return 0;
}
