// The measured value as an object: what each kind of value gives and
// refuses, the index block the store keeps, the member description the
// object database reads, and typed sets.
#include "qel/CMetry.hpp"
#include "qel/ColorConverter.hpp"
#include "qel/ColorVector.hpp"
#include "qel/MyMemoryBlock.hpp"
#include "qel/Spectrum.hpp"
#include "qelvxn/value/GPtMesswert.hpp"
#include "sv/ScriptedResponder.hpp"

#include <gtest/gtest.h>

#include <cstring>

namespace {

Spectrum SomeSpectrum(ValueFilterType eFilter = FILTER_POL, StoredWBaseType eWBase = WBASE_PAPER)
{
    Spectrum s{PhysicalConditions(ActualFilterClass(eFilter), WBaseClass(eWBase))};
    for (int i = 0; i < Spectrum::COUNT; ++i)
        s[i] = 0.05f + 0.02f * static_cast<float>(i % 12);
    return s;
}

std::vector<unsigned char> Block(GPtMesswert& v)
{
    MyMemoryBlock b;
    v.GetIndexBlock(b);
    return std::vector<unsigned char>(b.GetData(), b.GetData() + b.GetSize());
}

TEST(GPtMesswert, WhatEachKindOfValueGivesAndRefuses)
{
    ScriptedResponder boxes;
    ScopedResponder use(boxes);
    const Spectrum untouchedSpectrum = SomeSpectrum(FILTER_UV, WBASE_ABSOLUTE);
    const LABVector untouchedLab(1, 2, 3, MeasuringCondition());

    GPtMesswert fresh;
    EXPECT_EQ(fresh.IsA(), 0);
    EXPECT_EQ(fresh.GetIllum(), CONDITION_NOT_SET);
    EXPECT_EQ(fresh.GetObserver(), CONDITION_NOT_SET);
    EXPECT_EQ(fresh.GetFilter(), CONDITION_NOT_SET);
    EXPECT_EQ(fresh.GetWBase(), CONDITION_NOT_SET);
    Spectrum s = untouchedSpectrum;
    LABVector lab = untouchedLab;
    fresh.GetSpectrum(s);
    fresh.GetLab(lab);
    EXPECT_EQ(s, untouchedSpectrum);
    EXPECT_EQ(lab.GetL(), 1.0);
    ASSERT_EQ(boxes.Boxes().size(), 2u);
    EXPECT_EQ(boxes.Boxes()[0].eKind, MESSBOX_ERROR);
    EXPECT_EQ(boxes.Boxes()[0].aText, "Spectrum not accessable");
    EXPECT_EQ(boxes.Boxes()[1].aText, "Lab-Value not accessable");

    // A spectrum gives itself and the Lab computed under CMetry's conditions.
    GPtMesswert spectral;
    spectral.SetMeasuringCondition(MeasuringCondition(PhysicalConditions(), IllumClass(ILLUM_A), ObserverClass(OBSERVER_10)));
    spectral.SetSpectrum(SomeSpectrum(), 0);
    EXPECT_EQ(spectral.IsA(), GPtMesswert::TYPE_SPECTRUM);
    EXPECT_EQ(spectral.GetFilter(), FILTER_POL);
    EXPECT_EQ(spectral.GetWBase(), WBASE_PAPER);
    EXPECT_EQ(spectral.GetIllum(), ILLUM_A) << "illuminant and observer stay as they were";
    spectral.GetSpectrum(s);
    EXPECT_EQ(s, SomeSpectrum());
    spectral.GetLab(lab);
    LABVector expected{SomeSpectrum()};
    EXPECT_DOUBLE_EQ(lab.GetL(), expected.GetL());
    EXPECT_DOUBLE_EQ(lab.GetB(), expected.GetB());
    XYZVector xyz;
    spectral.GetXYZ(xyz);
    EXPECT_NEAR(xyz.GetY(), XYZVector(expected).GetY(), 1e-9);

    // A Lab value gives its Lab under all its conditions, never a spectrum.
    MeasuringCondition d93(PhysicalConditions(ActualFilterClass(FILTER_M1), WBaseClass(WBASE_ABSOLUTE)),
                           IllumClass(static_cast<IllumType>(20), 93), ObserverClass(OBSERVER_10));
    GPtMesswert labValue;
    labValue.SetLab(LABVector(52.5, -3.25, 12.125, d93));
    EXPECT_EQ(labValue.IsA(), GPtMesswert::TYPE_LAB);
    labValue.GetLab(lab);
    EXPECT_EQ(lab.GetL(), 52.5);
    EXPECT_EQ(lab.GetB(), 12.125);
    EXPECT_TRUE(lab.GetCondition() == d93);
    s = untouchedSpectrum;
    labValue.GetSpectrum(s);
    EXPECT_EQ(s, untouchedSpectrum);
    EXPECT_EQ(boxes.Boxes().size(), 3u);

    // Invalidate keeps the numbers; a new spectrum makes the value valid.
    labValue.Invalidate();
    EXPECT_EQ(labValue.IsA(), 0);
    EXPECT_EQ(labValue.GetValues()[0], 52.5f);
    labValue.SetSpectrum(SomeSpectrum(), 0);
    EXPECT_EQ(labValue.IsA(), GPtMesswert::TYPE_SPECTRUM);
}

TEST(GPtMesswert, SpectrumCanNameTheValue)
{
    GPtMesswert v;
    v.SetBezeichnung(String("kept"));
    v.SetSpectrum(SomeSpectrum(), 0);
    EXPECT_EQ(v.GetBezeichnung(), "kept");
    v.SetSpectrum(SomeSpectrum(), 1);
    EXPECT_EQ(v.GetBezeichnung(), ColorConverter::Farbzuordnung(SomeSpectrum()));
    EXPECT_FALSE(v.GetBezeichnung().IsEmpty());
}

// The block is that of the object id and 172 bytes, whatever the kind of
// value (read back through the store: ObjectStoreTest); one that cannot be
// read changes nothing.
TEST(GPtMesswert, IndexBlockIs172BytesBeyondTheObjectIdAndABadOneChangesNothing)
{
    objectId plain;
    MyMemoryBlock head;
    plain.GetIndexBlock(head);
    GPtMesswert none, source, lab;
    source.SetSpectrum(SomeSpectrum(), 0);
    lab.SetLab(LABVector(50, 10, -20, MeasuringCondition()));
    for (GPtMesswert* v : {&none, &source, &lab})
        EXPECT_EQ(static_cast<long>(Block(*v).size()), head.GetSize() + GPtMesswert::INDEX_BLOCK_SIZE) << v->IsA();

    std::vector<unsigned char> good = Block(source);
    std::vector<std::pair<const char*, std::vector<unsigned char>>> cases;
    cases.push_back({"empty", {}});
    cases.push_back({"one byte short", {good.begin(), good.end() - 1}});
    cases.push_back({"one byte more", good});
    cases.back().second.push_back(0);
    cases.push_back({"unknown block version", good});
    cases.back().second[0] = 9;
    cases.push_back({"type 3", good});
    cases.back().second[good.size() - GPtMesswert::INDEX_BLOCK_SIZE + 144] = 3;
    cases.push_back({"a designation longer than the block", good});
    cases.back().second[2] = 0xFF;
    cases.back().second[3] = 0xFF;

    GPtMesswert target;
    target.SetLab(LABVector(1, 2, 3, MeasuringCondition()));
    const std::vector<unsigned char> before = Block(target);
    for (const auto& [what, bytes] : cases) {
        MyMemoryBlock b(bytes.data(), static_cast<long>(bytes.size()));
        EXPECT_FALSE(target.SetIndexBlock(b)) << what;
        EXPECT_EQ(Block(target), before) << what;
    }
    // The good block itself is read.
    MyMemoryBlock b(good.data(), static_cast<long>(good.size()));
    EXPECT_TRUE(target.SetIndexBlock(b));
    EXPECT_EQ(Block(target), good);
}

TEST(GPtMesswert, MemberDescriptionPointsAtTheMembers)
{
    GPtMesswert v;
    v.SetLab(LABVector(11, 22, 33, MeasuringCondition(PhysicalConditions(ActualFilterClass(FILTER_D65), WBaseClass(WBASE_PAPER)),
                                                    IllumClass(ILLUM_D50), ObserverClass(OBSERVER_10))));
    ASSERT_EQ(v.GetNrOfMemberVars(), 13);
    const char* base = reinterpret_cast<const char*>(&v);
    auto at = [&](int n, MemberVarSTRUCT& s) {
        EXPECT_EQ(v.GetStructure(n, s), 1) << n;
        EXPECT_GE(s.nOffset, 0) << n;
        EXPECT_LE(s.nOffset + 4, static_cast<long>(sizeof v)) << n;
        return base + s.nOffset;
    };
    auto int32At = [](const char* p) {
        int32_t n;
        std::memcpy(&n, p, 4);
        return n;
    };
    const struct {
        int member;
        int typeCode;
        int32_t value;
    } enums[] = {{5, 9, ILLUM_D50}, {7, 9, OBSERVER_10}, {8, 9, FILTER_D65}, {9, 9, WBASE_PAPER}, {10, 9, CONDITION_NOT_SET}};
    for (const auto& e : enums) {
        MemberVarSTRUCT s;
        const char* p = at(e.member, s);
        EXPECT_EQ(s.nTypeCode, e.typeCode) << e.member;
        EXPECT_EQ(s.nSize, 4) << e.member;
        EXPECT_EQ(int32At(p), e.value) << e.member;
    }
    MemberVarSTRUCT values;
    const char* p = at(11, values);
    EXPECT_EQ(values.nTypeCode, 19);
    EXPECT_EQ(values.nSize, 36);
    EXPECT_EQ(values.nElementType, 7);
    float f[3];
    std::memcpy(f, p, sizeof f);
    EXPECT_EQ(f[2], 33.0f);
    // Sizes not given are left as the caller set them.
    MemberVarSTRUCT type;
    type.nSize = -5;
    short t;
    std::memcpy(&t, at(12, type), sizeof t);
    EXPECT_EQ(type.nTypeCode, 3);
    EXPECT_EQ(type.nSize, -5);
    EXPECT_EQ(t, GPtMesswert::TYPE_LAB);
    MemberVarSTRUCT none;
    EXPECT_EQ(v.GetStructure(13, none), 0);
    EXPECT_EQ(v.GetStructure(-1, none), 0);
}

TEST(GPtMesswert, SetsOwnCopyAndSeek)
{
    lset<GPtMesswert*> set;
    for (int i = 0; i < 3; ++i) {
        auto* v = new GPtMesswert;
        v->SetBezeichnung(String(std::string(1, static_cast<char>('a' + i))));
        ASSERT_EQ(set.Append(v), PT_OK);
    }
    EXPECT_EQ(set.Append(set.At(0)), PT_INVALID) << "an object belongs to a set once";
    EXPECT_EQ(set.Append(nullptr), PT_INVALID);
    set.SetUserData(77);

    const struct {
        long offset;
        PtSeekMode mode;
        const char* name;  // nullptr: PT_NOT_FOUND
    } seeks[] = {{0, PT_START, "a"},  {1, PT_CURRENT, "b"}, {1, PT_CURRENT, "c"},  {1, PT_CURRENT, nullptr},
                 {-2, PT_CURRENT, "a"}, {0, PT_END, "c"},  {-1, PT_END, "b"},     {3, PT_START, nullptr},
                 {-1, PT_START, nullptr}};
    for (const auto& sk : seeks) {
        GPtMesswert* p = nullptr;
        PtErrorCode e = set.Get(p, sk.offset, sk.mode);
        if (!sk.name) {
            EXPECT_EQ(e, PT_NOT_FOUND) << sk.offset << "/" << sk.mode;
            EXPECT_EQ(p, nullptr);
            continue;
        }
        ASSERT_EQ(e, PT_OK) << sk.offset << "/" << sk.mode;
        EXPECT_EQ(p->GetBezeichnung(), sk.name);
        EXPECT_EQ(set.Unget(p), PT_OK);
        EXPECT_EQ(p, nullptr);
    }
    GPtMesswert stranger;
    GPtMesswert* ps = &stranger;
    EXPECT_EQ(set.Unget(ps), PT_NOT_FOUND);

    lset<GPtMesswert*> copy(set);
    EXPECT_EQ(copy.GetUserData(), 77);
    ASSERT_EQ(copy.Count(), 3);
    EXPECT_NE(copy.At(0), set.At(0)) << "a copy holds copies";
    copy.At(0)->SetBezeichnung(String("changed"));
    EXPECT_EQ(set.At(0)->GetBezeichnung(), "a");
    lset<GPtMesswert*> assigned;
    assigned = copy;
    EXPECT_EQ(assigned.At(0)->GetBezeichnung(), "changed");
    EXPECT_EQ(assigned.GetUserData(), 77);
}

} // namespace
