#pragma once
// Beast's request parser set up and judged as the front wants; included by
// the two places that read requests, kept out of every other header.
#include <boost/beast/core/error.hpp>
#include <boost/beast/http.hpp>
#include <string_view>

#include "http/HttpLimits.h"
#include "http/HttpRequest.h"
#include "http/RequestParse.h"

namespace vorn::beastreq {

namespace http = boost::beast::http;
using Parser = http::request_parser<http::string_body>;

void ApplyLimits(Parser& parser, const HttpLimits& limits);

// The status for a parse error (400, 413, 431); 0 for a closed or timed-out
// connection, which gets no answer.
ParseRefusal FromParseError(const boost::beast::error_code& ec, const HttpLimits& limits);

// Checks on the raw bytes of a header block (all of it, or its start) before
// the parser sees them: what the parser would quietly mend is refused here.
ParseRefusal CheckHeaderBytes(std::string_view bytes);

// Checks made once the header block is read, before any body byte.
ParseRefusal CheckHeader(const Parser& parser);

// Bytes to set aside for the body while it is read and handled.
size_t BodyReservation(const Parser& parser, const HttpLimits& limits);

HttpRequest ToRequest(http::request<http::string_body>&& message);

// The request as its header block gives it, without a body.
HttpRequest HeadOf(const Parser& parser);

size_t FieldCount(const Parser& parser);

}  // namespace vorn::beastreq
