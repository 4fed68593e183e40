#pragma once
// The floating areas that may stand on one page, filed by height, so that a
// wrap test of one character or the anchor offer of one line looks only at
// the areas near it. A pass asks once per character; with thousands of
// frames on one page (and the first pass after opening draws every body on
// the first page drawn) a walk of all of them cost the square of the frames.

#include "engine/Childwin.h"

#include <cstdint>
#include <map>
#include <set>
#include <unordered_map>
#include <utility>
#include <vector>

namespace quillet {

class FloatingIndex {
public:
    // Starts over for `page`, over the areas `onPage` names (in area order;
    // the list is read, not copied, and may grow while the page is drawn).
    // Nothing is filed until the first question.
    void reset(const std::vector<int32_t>* onPage, int32_t page);
    // Area `area` moved, changed its page or joined the list.
    void moved(int32_t area);
    // What w.iscolladingwithfield(..., onPage) gives, with the same anchor
    // offers written to the areas.
    TMDIChild::FieldCollision collide(TMDIChild& w, int32_t page, int32_t pageWidthPx, bool anchorOnly,
                                      bool mayAnchor, double lineTopY, double lineLeftX, int32_t line,
                                      int32_t area, double boxHeight, double boxWidth, double boxTopY,
                                      double& x, int32_t resolution, int32_t pageHeightPx);

private:
    // The areas that a box of one height range meets, summed up for the
    // wrap test: whether one sends every box on, the leftmost edge of those
    // that end a line, and the ones that push the box right.
    struct WrapSet {
        std::vector<int32_t> Ids;
        bool SendsOn = false;      // an area with text above and below only
        double EndsLineAt = 0;     // least left edge of "text left only" areas (+inf none)
        double RightOnlyPast = 0;  // greatest right edge of "text right only" areas (-inf none)
        std::vector<double> Left;      // the other pushing areas' left edges, ascending
        std::vector<double> RightUpTo;  // the greatest right edge of those up to each
    };
    struct Slot {
        int32_t WrapLo = -1, WrapHi = -1;  // the wrap cells it is filed in
        int32_t AnchorCell = -1;
        bool Anywhere = false;  // in AnchorAnywhere
        bool Used = false;      // in Filed
        uint32_t Seen = 0, Member = 0;  // stamps of the last wrap set made
    };

    void build(TMDIChild& w, double pageW, double pageH);
    void file(int32_t area);
    void unfile(int32_t area);
    int32_t cell(double v) const;
    const WrapSet& wrapSet(double top, double bottom);
    void offerAnchor(TMDIChild& w, double lineTopY, double lineLeftX, int32_t line, int32_t area, double boxTopY,
                     double boxHeight, double boxWidth, double x);

    const std::vector<int32_t>* List = nullptr;
    int32_t Page = 0;
    bool Built = false;
    TMDIChild* W = nullptr;
    double PageW = 0, PageH = 0;
    double Origin = 0, Size = 1;
    int32_t Cells = 1;
    std::vector<Slot> Slots;         // by area
    std::vector<int32_t> Filed;      // the areas with a slot in use
    std::vector<std::vector<int32_t>> WrapCells;
    std::vector<std::vector<int32_t>> AnchorCells;
    std::vector<double> AnchorReach;  // per anchor cell, the farthest an offer can still win
    std::vector<int32_t> AnchorAnywhere;  // anchorable areas without a usable height
    uint32_t Stamp = 0;
    std::vector<int32_t> Members;
    // Wrap sets made since the last move, found by box range and by members.
    std::vector<WrapSet> Sets;
    std::map<std::pair<double, double>, size_t> SetByBox;
    std::unordered_multimap<uint64_t, size_t> SetByIds;
    // The points offered as anchors since the last move.
    std::set<std::pair<double, double>> Offered;
};

} // namespace quillet
