#include "platform/imagesource/PropertyNames.h"

#include <QCoreApplication>
#include <QHash>

namespace {

struct Entry {
    const char* key;
    const char* name;
};

// Keys of the image and container maps, of their groups, and the type
// identifiers that type() returns.
constexpr Entry entries[] = {
    // Image and container
    {"PixelWidth", "Pixel Width"}, {"PixelHeight", "Pixel Height"}, {"Depth", "Depth"},
    {"ColorModel", "Color Model"}, {"HasAlpha", "Has Alpha"}, {"Orientation", "Orientation"},
    {"DPIWidth", "DPI Width"}, {"DPIHeight", "DPI Height"}, {"ProfileName", "Profile Name"},
    {"FileSize", "File Size"}, {"IsFloat", "Floating Point"}, {"IsIndexed", "Indexed"},
    // Groups
    {"{Exif}", "Exif"}, {"{ExifAux}", "Exif Auxiliary"}, {"{TIFF}", "TIFF"}, {"{GPS}", "GPS"},
    {"{IPTC}", "IPTC"}, {"{GIF}", "GIF"}, {"{PNG}", "PNG"}, {"{JFIF}", "JFIF"}, {"{HEIF}", "HEIF"},
    {"{DNG}", "DNG"}, {"{Raw}", "Raw"}, {"{OpenEXR}", "OpenEXR"}, {"{MPF}", "Multi-Picture"},
    {"{MakerApple}", "Apple"}, {"{MakerCanon}", "Canon"}, {"{MakerNikon}", "Nikon"},
    {"{MakerMinolta}", "Minolta"}, {"{MakerFuji}", "Fujifilm"}, {"{MakerOlympus}", "Olympus"},
    {"{MakerPentax}", "Pentax"}, {"{MakerSony}", "Sony"}, {"{MakerPanasonic}", "Panasonic"},
    {"{MakerSamsung}", "Samsung"}, {"{MakerSigma}", "Sigma"},
    {"{WebP}", "WebP"}, {"{JXL}", "JPEG XL"}, {"{AVIS}", "AVIF Sequence"},
    // Animation
    {"DelayTime", "Delay Time"}, {"UnclampedDelayTime", "Unclamped Delay Time"},
    {"LoopCount", "Loop Count"}, {"FrameCount", "Frame Count"},
    {"CanvasPixelWidth", "Canvas Pixel Width"}, {"CanvasPixelHeight", "Canvas Pixel Height"},
    // {TIFF}
    {"Make", "Make"}, {"Model", "Model"}, {"Software", "Software"}, {"DateTime", "Date Time"},
    {"Artist", "Artist"}, {"Copyright", "Copyright"}, {"ImageDescription", "Image Description"},
    {"XResolution", "X Resolution"}, {"YResolution", "Y Resolution"},
    {"ResolutionUnit", "Resolution Unit"}, {"Compression", "Compression"},
    {"PhotometricInterpretation", "Photometric Interpretation"}, {"HostComputer", "Host Computer"},
    {"YCbCrPositioning", "YCbCr Positioning"},
    // {Exif}
    {"ExposureTime", "Exposure Time"}, {"FNumber", "F Number"}, {"ExposureProgram", "Exposure Program"},
    {"ISOSpeedRatings", "ISO Speed Ratings"}, {"ExifVersion", "Exif Version"},
    {"DateTimeOriginal", "Date Time Original"}, {"DateTimeDigitized", "Date Time Digitized"},
    {"ComponentsConfiguration", "Components Configuration"},
    {"ShutterSpeedValue", "Shutter Speed"}, {"ApertureValue", "Aperture Value"},
    {"BrightnessValue", "Brightness Value"}, {"ExposureBiasValue", "Exposure Bias Value"},
    {"MaxApertureValue", "Max Aperture Value"}, {"SubjectDistance", "Subject Distance"},
    {"MeteringMode", "Metering Mode"}, {"LightSource", "Light Source"}, {"Flash", "Flash"},
    {"FocalLength", "Focal Length"}, {"SubsecTime", "Subsec Time"},
    {"SubsecTimeOriginal", "Subsec Time Original"}, {"SubsecTimeDigitized", "Subsec Time Digitized"},
    {"FlashpixVersion", "FlashPix Version"}, {"ColorSpace", "Color Space"},
    {"PixelXDimension", "Pixel X Dimension"}, {"PixelYDimension", "Pixel Y Dimension"},
    {"SensingMethod", "Sensing Method"}, {"SceneType", "Scene Type"},
    {"ExposureMode", "Exposure Mode"}, {"WhiteBalance", "White Balance"},
    {"DigitalZoomRatio", "Digital Zoom Ratio"}, {"FocalLengthIn35mmFilm", "Focal Length In 35mm Film"},
    {"SceneCaptureType", "Scene Capture Type"}, {"Contrast", "Contrast"},
    {"Saturation", "Saturation"}, {"Sharpness", "Sharpness"}, {"LensMake", "Lens Make"},
    {"LensModel", "Lens Model"}, {"LensSpecification", "Lens Specification"},
    {"BodySerialNumber", "Body Serial Number"}, {"UserComment", "User Comment"},
    {"OffsetTime", "Offset Time"}, {"OffsetTimeOriginal", "Offset Time Original"},
    {"OffsetTimeDigitized", "Offset Time Digitized"}, {"CustomRendered", "Custom Rendered"},
    {"InteroperabilityIndex", "Interoperability Index"},
    {"InteroperabilityVersion", "Interoperability Version"},
    // {GPS}
    {"Version", "Version"}, {"Latitude", "Latitude"}, {"LatitudeRef", "Latitude Ref"},
    {"Longitude", "Longitude"}, {"LongitudeRef", "Longitude Ref"}, {"Altitude", "Altitude"},
    {"AltitudeRef", "Altitude Ref"}, {"TimeStamp", "Time Stamp"}, {"DateStamp", "Date Stamp"},
    {"Speed", "Speed"}, {"SpeedRef", "Speed Ref"}, {"ImgDirection", "Image Direction"},
    {"ImgDirectionRef", "Image Direction Ref"}, {"DestBearing", "Destination Bearing"},
    {"DestBearingRef", "Destination Bearing Ref"}, {"HPositioningError", "Positioning Error"},
    {"MapDatum", "Map Datum"},
    // {IPTC}
    {"Keywords", "Keywords"}, {"ObjectName", "Object Name"}, {"Caption", "Caption"},
    {"Byline", "Byline"}, {"City", "City"}, {"CountryName", "Country"},
    {"CopyrightNotice", "Copyright Notice"}, {"DateCreated", "Date Created"},
    {"Headline", "Headline"}, {"Credit", "Credit"}, {"Source", "Source"},
    // Type identifiers
    {"public.jpeg", "JPEG image"}, {"public.png", "PNG image"}, {"com.compuserve.gif", "GIF image"},
    {"com.microsoft.bmp", "Windows bitmap image"}, {"com.microsoft.ico", "Windows icon image"},
    {"com.microsoft.cur", "Windows cursor"}, {"public.tiff", "TIFF image"},
    {"com.apple.icns", "Apple icon image"}, {"org.webmproject.webp", "WebP image"},
    {"com.truevision.tga-image", "TGA image"}, {"public.heic", "HEIC image"},
    {"public.heif", "HEIF image"}, {"public.avif", "AVIF image"},
    {"public.avis", "AVIF image sequence"}, {"public.jpeg-xl", "JPEG XL image"},
    {"com.adobe.raw-image", "DNG image"}, {"public.camera-raw-image", "Camera raw image"},
    {"com.canon.cr2-raw-image", "Canon CR2 raw image"}, {"com.canon.crw-raw-image", "Canon CRW raw image"},
    {"com.nikon.raw-image", "Nikon raw image"}, {"com.sony.arw-raw-image", "Sony ARW raw image"},
    {"com.sony.sr2-raw-image", "Sony SR2 raw image"}, {"com.sony.raw-image", "Sony SRF raw image"},
    {"com.epson.raw-image", "Epson raw image"}, {"com.hasselblad.3fr-raw-image", "Hasselblad raw image"},
    {"com.konicaminolta.raw-image", "Minolta raw image"}, {"com.pentax.raw-image", "Pentax raw image"},
    {"com.samsung.raw-image", "Samsung raw image"}, {"com.olympus.raw-image", "Olympus raw image"},
    {"com.panasonic.rw2-raw-image", "Panasonic RW2 raw image"},
    {"com.panasonic.raw-image", "Panasonic raw image"}, {"com.fuji.raw-image", "Fujifilm raw image"},
    {"com.leica.rwl-raw-image", "Leica raw image"}, {"com.ilm.openexr-image", "OpenEXR image"},
    {"public.radiance", "Radiance HDR image"}, {"com.adobe.photoshop-image", "Photoshop image"},
    {"com.softimage.pic", "Softimage PIC image"}, {"com.sgi.sgi-image", "SGI image"},
    {"public.jpeg-2000", "JPEG 2000 image"}, {"public.mpo-image", "Multi-Picture image"},
    {"public.fax", "Fax image"}, {"public.image", "Image"},
};

} // namespace

QString PropertyNames::displayName(const QString& key) {
    static const QHash<QString, const char*> table = [] {
        QHash<QString, const char*> t;
        for (const Entry& e : entries)
            t.insert(QString::fromLatin1(e.key), e.name);
        return t;
    }();
    const auto found = table.constFind(key);
    if (found == table.constEnd())
        return key;
    return QCoreApplication::translate("PropertyNames", found.value());
}
