// CRefTraits<T>: how the reference-holding containers (CRefArray, CNARefArray, CRefHashTable and
// its kin) take and drop one reference on an object of class T. Each family of reference-counted
// objects has its own scheme (plain counts with a no-delete flag, external counts, the host's
// atomic counts), so the class that owns a scheme specialises this template once, next to its
// own declaration:
//
//     template <> struct CRefTraits<CNAColumn> {
//         static void _AddRef(CNAColumn* p) { ... }
//         static void _Release(CNAColumn* p) { ... }
//     };
//
// The containers never pass a null pointer here. A container instance may instead specialise its
// own _AddRef/_Release members (e.g. CRefArray<X>::_Release), which then take precedence.
// There is deliberately no general definition: a container of a class without a scheme does not
// compile.
#pragma once

template <typename T>
struct CRefTraits;
