#pragma once
// The small containers of the transport's hot paths. None of them locks
// itself except TThreadStack's Lock/Unlock pair, which the owner calls; the
// owners guard each table with a lock of their own.
//
// TThreadStack   a linked stack of pointer values (the block pool's free list)
// TNumHashList   integer-keyed chained hash table with a fixed bucket count
// THashList      insertion-ordered hash list on a TNumHashList index
// TStrHash       string-keyed chained hash table
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace kel {

class TThreadStack {
public:
    TThreadStack() = default;
    // Locks, pops and discards everything, unlocks.
    ~TThreadStack();
    TThreadStack(const TThreadStack&) = delete;
    TThreadStack& operator=(const TThreadStack&) = delete;

    // Push and Pop do not lock; call them between Lock and Unlock (or under
    // a lock of the owner's).
    void Push(void* value);
    bool Pop(void*& value);
    void Lock() { lock_.lock(); }
    void Unlock() { lock_.unlock(); }
    int32_t Count() const { return count_; }

private:
    struct Link {
        void* value;
        Link* next;
    };
    std::mutex lock_;
    Link* top_ = nullptr;
    int32_t count_ = 0;
};

// Buckets are chosen by key modulo the bucket count, computed unsigned, so a
// key with its top bit set is a large positive number. New entries go to the
// front of their bucket; Add does not look for an existing key; the table
// never rehashes.
template <typename V>
class TNumHashList {
public:
    explicit TNumHashList(uint32_t bucket_count) : buckets_(bucket_count ? bucket_count : 1) {}
    ~TNumHashList() { Clear(); }
    TNumHashList(const TNumHashList&) = delete;
    TNumHashList& operator=(const TNumHashList&) = delete;

    void Add(uint32_t key, V value) {
        Entry*& head = buckets_[BucketOf(key)];
        head = new Entry{head, key, value};
        ++count_;
    }

    bool Find(uint32_t key, V& value) const {
        for (const Entry* e = buckets_[BucketOf(key)]; e; e = e->next)
            if (e->key == key) {
                value = e->value;
                return true;
            }
        return false;
    }

    bool Remove(uint32_t key) {
        for (Entry** link = &buckets_[BucketOf(key)]; *link; link = &(*link)->next)
            if ((*link)->key == key) {
                Entry* dead = *link;
                *link = dead->next;
                delete dead;
                --count_;
                return true;
            }
        return false;
    }

    void Clear() {
        for (Entry*& head : buckets_)
            while (head) {
                Entry* dead = head;
                head = dead->next;
                delete dead;
            }
        count_ = 0;
    }

    int32_t Count() const { return count_; }
    uint32_t BucketCount() const { return static_cast<uint32_t>(buckets_.size()); }
    uint32_t BucketOf(uint32_t key) const { return key % BucketCount(); }

private:
    struct Entry {
        Entry* next;
        uint32_t key;
        V value;
    };
    int32_t count_ = 0;
    std::vector<Entry*> buckets_;
};

// Entries keep the order in which their keys were first added; owners walk
// them from First() along Next.
template <typename V>
class THashList {
public:
    struct Entry {
        Entry* prev;
        int32_t key;
        V value;
        Entry* next;
    };

    explicit THashList(uint32_t bucket_count) : index_(bucket_count) {}
    ~THashList() { Clear(); }
    THashList(const THashList&) = delete;
    THashList& operator=(const THashList&) = delete;

    // A key already present only gets its value replaced; it keeps its place.
    void Add(int32_t key, V value) {
        if (Entry* e = Lookup(key)) {
            e->value = value;
            return;
        }
        Entry* e = new Entry{last_, key, value, nullptr};
        (last_ ? last_->next : first_) = e;
        last_ = e;
        index_.Add(static_cast<uint32_t>(key), e);
        ++count_;
    }

    bool Find(int32_t key, V& value) const {
        const Entry* e = Lookup(key);
        if (e) value = e->value;
        return e != nullptr;
    }

    bool SetValue(int32_t key, V value) {
        Entry* e = Lookup(key);
        if (e) e->value = value;
        return e != nullptr;
    }

    bool Delete(int32_t key) {
        Entry* e = Lookup(key);
        if (!e) return false;
        index_.Remove(static_cast<uint32_t>(key));
        (e->prev ? e->prev->next : first_) = e->next;
        (e->next ? e->next->prev : last_) = e->prev;
        delete e;
        --count_;
        return true;
    }

    void Clear() {
        index_.Clear();
        while (first_) {
            Entry* dead = first_;
            first_ = dead->next;
            delete dead;
        }
        last_ = nullptr;
        count_ = 0;
    }

    Entry* First() const { return first_; }
    int32_t Count() const { return count_; }

private:
    Entry* Lookup(int32_t key) const {
        Entry* e = nullptr;
        return index_.Find(static_cast<uint32_t>(key), e) ? e : nullptr;
    }
    TNumHashList<Entry*> index_;
    Entry* first_ = nullptr;
    Entry* last_ = nullptr;
    int32_t count_ = 0;
};

class TStrHash {
public:
    explicit TStrHash(uint32_t bucket_count);
    virtual ~TStrHash();
    TStrHash(const TStrHash&) = delete;
    TStrHash& operator=(const TStrHash&) = delete;

    // Puts the item at the front of its bucket without looking for the key.
    void Add(std::string_view key, int32_t value);
    // Unlinks the first item with this key, if any.
    void Remove(std::string_view key);
    // The value of the first item with this key, -1 when absent.
    int32_t ValueOf(std::string_view key) const;
    void Clear();
    int32_t Count() const { return count_; }

    // Rotate left by 2, xor in each byte.
    virtual uint32_t HashOf(std::string_view key) const;

private:
    struct Item {
        Item* next;
        std::string key;
        int32_t value;
    };
    uint32_t BucketOf(std::string_view key) const { return HashOf(key) % static_cast<uint32_t>(buckets_.size()); }
    std::vector<Item*> buckets_;
    int32_t count_ = 0;
};

} // namespace kel
