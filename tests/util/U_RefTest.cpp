#include "util/U_CountedPtr.h"
#include "util/U_RefPtr.h"

#include <gtest/gtest.h>

namespace {

struct Tracked : U_Ref {
    explicit Tracked(int* deaths) : deaths(deaths) {}
    ~Tracked() override { ++*deaths; }
    int* deaths;
};

struct Plain {
    explicit Plain(int* deaths) : deaths(deaths) {}
    ~Plain() { ++*deaths; }
    int* deaths;
};

} // namespace

TEST(U_RefPtr, LastHolderDeletesOnce)
{
    int deaths = 0;
    auto* obj = new Tracked(&deaths);
    EXPECT_EQ(0u, obj->refCount());
    EXPECT_EQ(4711u, obj->marker());
    {
        U_RefPtr<Tracked> a(obj);
        {
            U_RefPtr<Tracked> b = a;
            EXPECT_EQ(2u, obj->refCount());
        }
        EXPECT_EQ(1u, obj->refCount());
        EXPECT_EQ(0, deaths);
    }
    EXPECT_EQ(1, deaths);
}

TEST(U_RefPtr, SelfAssignmentKeepsObject)
{
    int deaths = 0;
    U_RefPtr<Tracked> a(new Tracked(&deaths));
    U_RefPtr<Tracked>& alias = a;
    a = alias;
    EXPECT_EQ(1u, a->refCount());
    a = a.get();
    EXPECT_EQ(1u, a->refCount());
    EXPECT_EQ(0, deaths);

    U_RefPtr<Tracked> b(new Tracked(&deaths));
    a = b;  // releases the first object
    EXPECT_EQ(1, deaths);
    EXPECT_EQ(2u, b->refCount());
    a = U_RefPtr<Tracked>();
    EXPECT_FALSE(a);
    EXPECT_EQ(1u, b->refCount());
}

TEST(U_RefPtr, ExplicitReleaseDropsOnlyOnce)
{
    int deaths = 0;
    U_RefPtr<Tracked> keeper(new Tracked(&deaths));
    {
        U_RefPtr<Tracked> other = keeper;
        other.release();
        EXPECT_FALSE(other);
        EXPECT_EQ(1u, keeper->refCount());
    }  // other's destructor must not drop the reference again
    EXPECT_EQ(1u, keeper->refCount());
    EXPECT_EQ(0, deaths);
    keeper.release();
    EXPECT_EQ(1, deaths);
}

TEST(U_RefPtr, CopyOfObjectStartsFresh)
{
    int deaths = 0;
    U_RefPtr<Tracked> a(new Tracked(&deaths));
    U_RefPtr<Tracked> b = a;
    Tracked copy(*a);
    EXPECT_EQ(0u, copy.refCount());
    EXPECT_EQ(4711u, copy.marker());
    copy = *a;  // assignment does not copy the count either
    EXPECT_EQ(0u, copy.refCount());
    EXPECT_EQ(2u, a->refCount());
}

TEST(U_RefPtr, ComparesByAddressAndSwaps)
{
    int deaths = 0;
    U_RefPtr<Tracked> a(new Tracked(&deaths));
    U_RefPtr<Tracked> b(new Tracked(&deaths));
    U_RefPtr<Tracked> a2 = a;
    EXPECT_TRUE(a == a2);
    EXPECT_TRUE(a != b);
    EXPECT_EQ(a.get() < b.get(), a < b);
    Tracked* pa = a.get();
    a.swap(b);
    EXPECT_EQ(pa, b.get());
    EXPECT_EQ(2u, pa->refCount());
}

TEST(U_CountedPtr, SharesAndReleases)
{
    int deaths = 0;
    {
        U_CountedPtr<Plain> a(new Plain(&deaths));
        U_CountedPtr<Plain> b = a;
        EXPECT_EQ(2u, a.useCount());
        U_CountedPtr<Plain> c(new Plain(&deaths));
        c = a;  // the other object goes
        EXPECT_EQ(1, deaths);
        EXPECT_EQ(3u, a.useCount());
        c = c;
        EXPECT_EQ(3u, a.useCount());
    }
    EXPECT_EQ(2, deaths);

    U_CountedPtr<Plain> empty;
    EXPECT_FALSE(empty.isValid());
    U_CountedPtr<Plain> nullHolder(nullptr);
    EXPECT_FALSE(nullHolder.isValid());
    EXPECT_EQ(1u, nullHolder.useCount());
}
