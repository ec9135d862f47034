#pragma once
// Which addresses may carry what the client runs (the installer of an update, and the answer
// that names it): https to any host, plain http only to this machine's loopback interface, where
// the local service of the demo and the tests lives.

#include <string>
#include <string_view>

// Whether `host` (as a URL writes it, an IPv6 address in brackets) is a loopback address: an IPv4
// address in 127.0.0.0/8 in dotted form, ::1, or the name "localhost" (any letter case). Any
// other name, even one that resolves to loopback, is not.
bool IsLoopbackHost(std::string_view host);

// The scheme (lower case) and host of `url` as libcurl reads it, so that the rule judges the
// address the transfer will really use. False when libcurl cannot read it.
bool SchemeAndHostOf(const std::string& url, std::string& scheme, std::string& host);

// True for an https address, and for an http address of a loopback host; false for anything
// else, including an address libcurl cannot read.
bool IsHttpsOrLoopback(const std::string& url);
