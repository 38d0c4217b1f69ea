// Bitmap: an image of the toolkit (a QImage inside).
#pragma once

#include <QImage>

class ResId;

class Bitmap {
public:
    Bitmap() = default;
    explicit Bitmap(const QImage& rImage) : maImage(rImage) {}
    // The bitmap resource of that number (empty when there is none).
    explicit Bitmap(const ResId& rResId);

    const QImage& GetImage() const { return maImage; }
    QImage& GetImage() { return maImage; }
    int GetWidth() const { return maImage.width(); }
    int GetHeight() const { return maImage.height(); }
    bool IsEmpty() const { return maImage.isNull(); }
    bool Save(const char* pPngPath) const { return maImage.save(pPngPath, "PNG"); }

private:
    QImage maImage;
};
