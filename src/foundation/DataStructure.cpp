#include "foundation/DataStructure.h"

namespace kel {

TThreadStack::~TThreadStack() {
    std::lock_guard g(lock_);
    void* discard = nullptr;
    while (Pop(discard)) {
    }
}

void TThreadStack::Push(void* value) {
    top_ = new Link{value, top_};
    ++count_;
}

bool TThreadStack::Pop(void*& value) {
    if (!top_) return false;
    Link* l = top_;
    top_ = l->next;
    value = l->value;
    delete l;
    --count_;
    return true;
}

TStrHash::TStrHash(uint32_t bucket_count) : buckets_(bucket_count ? bucket_count : 1) {}

TStrHash::~TStrHash() { Clear(); }

uint32_t TStrHash::HashOf(std::string_view key) const {
    uint32_t h = 0;
    for (unsigned char c : key) h = ((h << 2) | (h >> 30)) ^ c;
    return h;
}

void TStrHash::Add(std::string_view key, int32_t value) {
    Item*& head = buckets_[BucketOf(key)];
    head = new Item{head, std::string(key), value};
    ++count_;
}

void TStrHash::Remove(std::string_view key) {
    for (Item** link = &buckets_[BucketOf(key)]; *link; link = &(*link)->next)
        if ((*link)->key == key) {
            Item* dead = *link;
            *link = dead->next;
            delete dead;
            --count_;
            return;
        }
}

int32_t TStrHash::ValueOf(std::string_view key) const {
    for (const Item* i = buckets_[BucketOf(key)]; i; i = i->next)
        if (i->key == key) return i->value;
    return -1;
}

void TStrHash::Clear() {
    for (Item*& head : buckets_)
        while (head) {
            Item* dead = head;
            head = dead->next;
            delete dead;
        }
    count_ = 0;
}

} // namespace kel
