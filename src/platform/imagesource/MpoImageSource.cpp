#include "platform/imagesource/MpoImageSource.h"

#include "platform/QtImageSource.h"

MpoImageSource::MpoImageSource(const QByteArray& bytes) : EncodedImageSource(bytes) {}

std::unique_ptr<ImageSource> MpoImageSource::open(const QByteArray& bytes) {
    return opened(new MpoImageSource(bytes));
}

bool MpoImageSource::readHeader() {
    entries = MpoIndex::pictures(bytes);
    pictures.resize(size_t(entries.size()));
    return entries.size() >= 2;
}

ImageSource* MpoImageSource::picture(int index) {
    if (index < 0 || index >= entries.size())
        return nullptr;
    if (!pictures[size_t(index)]) {
        const MpoIndex::Entry& e = entries[index];
        // The first picture is read from the start of the file, whatever
        // length the index gives it.
        const QByteArray data = index == 0 ? bytes : bytes.mid(e.offset, e.length);
        pictures[size_t(index)] = QtImageSource::open(data, "jpeg");
    }
    return pictures[size_t(index)].get();
}

QImage MpoImageSource::imageAtIndex(int index) {
    ImageSource* p = picture(index);
    return p ? p->imageAtIndex(0) : QImage();
}

QVariantMap MpoImageSource::propertiesAtIndex(int index) {
    // Each picture carries its own EXIF block.
    ImageSource* p = picture(index);
    return p ? p->propertiesAtIndex(0) : QVariantMap();
}

QVariantMap MpoImageSource::imageProperties(int index) {
    return propertiesAtIndex(index);
}
