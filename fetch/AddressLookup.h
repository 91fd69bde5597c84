#pragma once
// Name look-up and an address's numeric text through getaddrinfo and
// getnameinfo, which Windows Sockets and POSIX sockets give alike: written
// once here, instantiated by each platform's socket file with its own types,
// where the calls themselves are found.
#include <cstddef>
#include <cstdio>
#include <cstring>

#include "fetch/SocketLayer.h"

// Where sin_port and sin6_port both lie, in network byte order; each
// platform file checks it against its own headers.
inline constexpr size_t PortOffset = 2;

// True where the platform's address types fit a SocketAddress and keep their
// port at PortOffset.
template <class Inet4, class Inet6> constexpr bool FitsSocketAddress() {
    return sizeof(Inet6) <= sizeof(SocketAddress::bytes) &&
           offsetof(Inet4, sin_port) == PortOffset && offsetof(Inet6, sin6_port) == PortOffset;
}

// The first `limit` TCP addresses of host, of both families (no AI_ADDRCONFIG:
// it would hide a name that is on ::1 only), in the system's order, into
// found; 0, the look-up's code, or notFound when it gives none.
template <class AddressInfo>
int LookUpAddresses(int bothFamilies, int stream, int tcp, int notFound, const char* host,
                    uint16_t port, SocketAddress* found, int limit, int& count) {
    AddressInfo hints{};
    hints.ai_family = bothFamilies;
    hints.ai_socktype = stream;
    hints.ai_protocol = tcp;
    AddressInfo* list = nullptr;
    int status = getaddrinfo(host, nullptr, &hints, &list);
    if (status != 0) return status;
    count = 0;
    for (const AddressInfo* entry = list; entry != nullptr && count < limit;
         entry = entry->ai_next) {
        if (entry->ai_addrlen > sizeof found->bytes) continue;
        SocketAddress& address = found[count++];
        std::memcpy(address.bytes, entry->ai_addr, entry->ai_addrlen);
        address.length = static_cast<int32_t>(entry->ai_addrlen);
        address.port = port;
        address.bytes[PortOffset] = static_cast<unsigned char>(port >> 8);
        address.bytes[PortOffset + 1] = static_cast<unsigned char>(port);
    }
    freeaddrinfo(list);
    return count > 0 ? 0 : notFound;
}

// The address in numbers, as getnameinfo writes it; "?" when it cannot.
template <class GenericAddress, class Length>
void NumericHostText(const SocketAddress& address, int numericHost, char* text, size_t size) {
    if (getnameinfo(reinterpret_cast<const GenericAddress*>(address.bytes), address.length, text,
                    static_cast<Length>(size), nullptr, 0, numericHost) != 0) {
        std::snprintf(text, size, "?");
    }
}
