#include "FieldPhotos.h"

#include <QBuffer>
#include <QImage>
#include <QImageWriter>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "data/HandheldKey.h"
#include "data/TextUtil.h"

namespace terv::palmsim {

namespace {

namespace fs = std::filesystem;

std::string Fixed(double v) {
    char text[64];
    std::snprintf(text, sizeof text, "%.2f", v);
    return text;
}

std::string Number3(int n) {
    char text[16];
    std::snprintf(text, sizeof text, "%03d", n);
    return text;
}

// The parcel part of a photo name: ID_PART without the "_" of a blank subaltern.
std::string PhotoBase(const std::string& idPart) {
    return !idPart.empty() && idPart.back() == '_' ? idPart.substr(0, idPart.size() - 1) : idPart;
}

// Written under a temporary name and renamed, so a file is whole whenever it has its name.
bool WriteFile(const fs::path& file, const std::string& bytes, std::string* error) {
    const fs::path part = file.string() + ".tmp";
    {
        std::ofstream out(part, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (!out.flush()) {
            *error = "cannot write " + part.string();
            return false;
        }
    }
    std::error_code ec;
    fs::rename(part, file, ec);
    if (ec)
        *error = "cannot rename " + part.string() + ": " + ec.message();
    return !ec;
}

}  // namespace

std::string PhotoDataFile(const std::string& stamp, double x, double y, int angle) {
    std::string out;
    for (const std::string& line : {stamp, Fixed(x), Fixed(y), std::to_string(angle)})
        out += ScrambleTextInverse(kHandheldScrambleKey, line) + "\r\n";
    return out;
}

std::string PictureJpeg(SimRandom& rng) {
    QImage image(64, 48, QImage::Format_RGB32);
    const int r = rng.Below(256), g = rng.Below(256), b = rng.Below(256);
    const int stripe = 4 + rng.Below(12);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const int band = ((x + y) / stripe) % 2 ? 60 : 0;
            image.setPixel(x, y, qRgb((r + 2 * x) & 0xFF, (g + 3 * y + band) & 0xFF, b));
        }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpeg");
    writer.setQuality(85);
    if (!writer.write(image))
        return {};
    return bytes.toStdString();
}

bool TakePhotos(const std::string& folder, const std::vector<SurveyedParcel>& parcels,
                SimRandom& rng, PhotoOddities& odd, ComuneResult& result, std::string* error) {
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec) {
        *error = "cannot create " + folder + ": " + ec.message();
        return false;
    }
    const fs::path dir(folder);
    for (const SurveyedParcel& p : parcels) {
        const int count = p.photosRequested > 0 ? 1 + rng.Below(2) : rng.Below(2);
        for (int k = 1; k <= count; ++k) {
            const std::string name = PhotoBase(p.idPart) + Number3(k);
            const std::string stamp = StampOf(p.when + 20 * k + rng.Below(15));
            const bool orphan = odd.written == 1 || (odd.written > 1 && rng.Below(8) == 0);
            const std::string data =
                PhotoDataFile(stamp, p.x + rng.Below(30), p.y + rng.Below(30), rng.Below(360));
            if (!WriteFile(dir / (name + ".dat"), data, error))
                return false;
            if (!orphan) {
                const std::string jpeg = PictureJpeg(rng);
                if (jpeg.empty()) {
                    *error = "cannot encode a JPEG picture";
                    return false;
                }
                if (!WriteFile(dir / (name + ".jpg"), jpeg, error))
                    return false;
            }
            ++odd.written;
            result.photos.push_back(
                {name + ".dat", p.idPart, k, stamp, !orphan, orphan ? "orphan" : "photo"});
        }
        if (!odd.empty) {
            const std::string name = PhotoBase(p.idPart) + Number3(count + 1);
            if (!WriteFile(dir / (name + ".dat"), "", error))
                return false;
            odd.empty = true;
            result.photos.push_back({name + ".dat", p.idPart, count + 1, "", false, "empty"});
        }
        if (!odd.duplicate && count > 0 && PhotoBase(p.idPart) != p.idPart) {
            const std::string name = p.idPart + Number3(1);
            const std::string stamp = StampOf(p.when + 600);
            if (!WriteFile(dir / (name + ".dat"), PhotoDataFile(stamp, p.x, p.y, 0), error))
                return false;
            odd.duplicate = true;
            result.photos.push_back({name + ".dat", p.idPart, 1, stamp, false, "duplicate"});
        }
    }
    return true;
}

}  // namespace terv::palmsim
