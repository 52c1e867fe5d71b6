// clsPagemint, vector graphics: colours, line styles, path construction and the shared paint step.
#include <algorithm>
#include <cmath>

#include "clsPagemint.h"

namespace terv {
namespace {

constexpr double kPi = 3.141592;          // the program's constant for degrees to radians
constexpr double kCurveFactor = 0.55;     // control point distance of a quarter circle, per radius
constexpr double kArcStepDegrees = 1;     // largest angle of one straight segment of an arc
constexpr double kMaxArcSegments = 3600;  // ten turns; a longer sweep gets coarser segments

}  // namespace

void clsPagemint::PutPoint(double x, double y) {
    out_.PutNumber(ToPoints(x));
    out_.Put(' ');
    out_.PutNumber(ToPoints(y));
}

void clsPagemint::PutColor(int32_t Color, std::string_view greyOp, std::string_view rgbOp) {
    if (Color >= -255 && Color <= 0) {
        out_.PutNumber(-Color / 255.0);
        out_.Put(greyOp);
    } else {
        out_.PutNumber((Color & 255) / 255.0);
        out_.Put(' ');
        out_.PutNumber(((Color / 256) & 255) / 255.0);
        out_.Put(' ');
        out_.PutNumber(((Color / 65536) & 255) / 255.0);
        out_.Put(rgbOp);
    }
    out_.EndLine();
}

void clsPagemint::SetColorStroke(int32_t Color) {
    PutColor(Color, " G", " RG");
}
void clsPagemint::SetColorFill(int32_t Color) {
    PutColor(Color, " g", " rg");
}

void clsPagemint::SetDash(double dash_on, double dash_off) {
    if (dash_on == 0) {
        out_.Put("[ ] 0 d");
    } else {
        out_.Put('[');
        out_.PutNumber(ToPoints(dash_on));
        out_.Put(' ');
        out_.PutNumber(ToPoints(dash_off));
        out_.Put("] 0 d");
    }
    out_.EndLine();
}

void clsPagemint::SetLineWidth(double W) {
    out_.PutNumber(ToPoints(W));
    out_.Put(" w");
    out_.EndLine();
}

void clsPagemint::SetLineCap(int W) {
    if (W < 0 || W > 2)
        return;
    out_.PutInteger(W);
    out_.Put(" J");
    out_.EndLine();
}

void clsPagemint::SetLineJoin(int W) {
    if (W < 0 || W > 2)
        return;
    out_.PutInteger(W);
    out_.Put(" j");
    out_.EndLine();
}

void clsPagemint::SetMiterLimit(double W) {
    if (W < 1)
        return;
    out_.PutNumber(W);
    out_.Put(" M");
    out_.EndLine();
}

void clsPagemint::Paint(int Options) {
    if (Options & 4) {
        out_.Put('f');
        out_.EndLine();
        return;
    }
    if (Options & 2) {
        out_.Put('h');
        out_.EndLine();
    }
    if (Options & 1) {
        out_.Put('S');
        out_.EndLine();
    }
}

void clsPagemint::MoveTo(double x, double y) {
    PutPoint(x, y);
    out_.Put(" m");
    out_.EndLine();
}

void clsPagemint::LineTo(double x, double y, int Options) {
    PutPoint(x, y);
    out_.Put(" l");
    out_.EndLine();
    Paint(Options);
}

void clsPagemint::Curve(double x1, double y1, double x2, double y2, double x3, double y3,
                        int Options) {
    PutPoint(x1, y1);
    out_.Put(' ');
    PutPoint(x2, y2);
    out_.Put(' ');
    PutPoint(x3, y3);
    out_.Put(" c");
    out_.EndLine();
    Paint(Options);
}

void clsPagemint::Rectangle(double X, double Y, double Width, double Height, int Options,
                            double Radius) {
    out_.Put('n');
    out_.EndLine();
    if (Radius <= 0) {
        PutPoint(X, Y);
        out_.Put(' ');
        PutPoint(Width, Height);
        out_.Put(" re");
        out_.EndLine();
        Paint(Options);
        return;
    }
    double r = std::min({Radius, Width / 2, Height / 2});
    double k = kCurveFactor * r;
    double right = X + Width, top = Y + Height;
    MoveTo(X + r, Y);
    LineTo(right - r, Y, 0);
    Curve(right - r + k, Y, right, Y + r - k, right, Y + r, 0);
    LineTo(right, top - r, 0);
    Curve(right, top - r + k, right - r + k, top, right - r, top, 0);
    LineTo(X + r, top, 0);
    Curve(X + r - k, top, X, top - r + k, X, top - r, 0);
    LineTo(X, Y + r, 0);
    Curve(X, Y + r - k, X + r - k, Y, X + r, Y, 0);
    Paint(Options);
}

void clsPagemint::DrawCircle(double X, double Y, double Radius, int Options) {
    double k = kCurveFactor * Radius;
    MoveTo(X, Y - Radius);
    Curve(X + k, Y - Radius, X + Radius, Y - k, X + Radius, Y, 0);
    Curve(X + Radius, Y + k, X + k, Y + Radius, X, Y + Radius, 0);
    Curve(X - k, Y + Radius, X - Radius, Y + k, X - Radius, Y, 0);
    Curve(X - Radius, Y - k, X - k, Y - Radius, X, Y - Radius, 0);
    Paint(Options);
}

void clsPagemint::Arc(double X, double Y, double RadiusX, double RadiusY, double StartAngle,
                      double EndAngle, int Options, bool ToCenter) {
    out_.Put('n');
    out_.EndLine();
    double sweep = EndAngle - StartAngle;
    if (!std::isfinite(sweep))
        return;
    double segments = std::ceil(std::fabs(sweep) / kArcStepDegrees);
    int steps = static_cast<int>(std::clamp(segments, 1.0, kMaxArcSegments));
    if (ToCenter)
        MoveTo(X, Y);
    for (int i = 0; i <= steps; ++i) {
        double r = (StartAngle + sweep * i / steps) * kPi / 180;
        double px = X + RadiusX * std::cos(r), py = Y + RadiusY * std::sin(r);
        if (i == 0 && !ToCenter) {
            MoveTo(px, py);
        } else {
            LineTo(px, py, 0);
        }
    }
    if (ToCenter)
        LineTo(X, Y, 0);
    Paint(Options);
}

}  // namespace terv
