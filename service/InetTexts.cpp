#include "service/InetTexts.h"

namespace InetStuff {

const MessageText InetErrorTextRows[59] = {
    {12001, "No more handles could be generated at this time."},
    {12002, "The request has timed out."},
    {12003, "The server sent an extended error message with its reply."},
    {12004, "An internal error occurred in the Internet client."},
    {12005, "The URL is invalid."},
    {12006, "The URL scheme could not be recognized or is not supported."},
    {12007, "The server name could not be resolved."},
    {12008, "No handler for the requested protocol was found."},
    {12009, "An option was given a value that it does not accept."},
    {12010, "An option was given with a length that does not fit its type."},
    {12011, "The option can be read but not changed."},
    {12012, "The Internet client is shutting down or being unloaded."},
    {12013, "The server refused the log-on because the user name is wrong."},
    {12014, "The server refused the log-on because the password is wrong."},
    {12015, "The log-on to the server failed."},
    {12016, "The operation asked for is not valid here."},
    {12017, "The operation was canceled, usually because the handle on which the request was operating was closed before the operation completed."},
    {12018, "The handle given is of the wrong kind for this operation."},
    {12019, "The handle given is not in a state that allows this operation."},
    {12020, "The request cannot be sent through a proxy."},
    {12021, "A registry value that the Internet client needs is missing."},
    {12022, "A registry value that the Internet client needs has a wrong type or value."},
    {12023, "A direct connection to the network is not possible at this time."},
    {12024, "An asynchronous request was made without a context value."},
    {12025, "An asynchronous request was made without a status callback."},
    {12026, "The operation cannot finish while other requests are still pending."},
    {12027, "The request is not in a valid format."},
    {12028, "The item asked for was not found."},
    {12029, "The attempt to connect to the server failed."},
    {12030, "The connection with the server has been terminated."},
    {12031, "The connection with the server has been reset."},
    {12032, "The request has to be sent again."},
    {12033, "The request made to the proxy is not valid."},
    {12036, "The request failed because the handle already exists."},
    {12037, "Invalid security certificate date."},
    {12038, "Invalid security certificate."},
    {12039, "ERROR_INTERNET_HTTP_TO_HTTPS_ON_REDIR"},
    {12040, "ERROR_INTERNET_HTTPS_TO_HTTP_ON_REDIR"},
    {12041, "Part of the content came from a connection that is not secure."},
    {12042, "Chg post is non secure."},
    {12043, "Post is non secure"},
    {12110, "A file transfer is already in progress on this connection."},
    {12111, "The file transfer session was closed."},
    {12130, "The gopher server sent data that could not be parsed."},
    {12131, "The request needs a locator that names a file."},
    {12132, "Receiving data from the gopher server failed."},
    {12133, "There is no more data to read."},
    {12134, "The locator given is not valid."},
    {12135, "The locator is of the wrong type for this operation."},
    {12136, "The operation needs a gopher+ server or a gopher+ locator."},
    {12137, "The attribute asked for was not found."},
    {12138, "The type of the locator is not known."},
    {12150, "The header asked for was not found."},
    {12151, "The server sent no headers."},
    {12152, "The server response could not be parsed."},
    {12153, "The header given is not valid."},
    {12154, "The query for the reply headers is not valid."},
    {12155, "The header was not added because it is already there."},
    {12156, "Redirect failed."},
};

const MessageText HttpStatusTextRows[38] = {
    {100, "OK to continue with request"},
    {101, "server has switched protocols in upgrade header"},
    {200, "request completed"},
    {201, "object created, reason = new URI"},
    {202, "async completion (TBS)"},
    {203, "partial completion"},
    {204, "no info to return"},
    {205, "request completed, but clear form"},
    {206, "partial GET furfilled"},
    {300, "server couldn't decide what to return"},
    {301, "object permanently moved"},
    {302, "object temporarily moved"},
    {303, "redirection w/ new access method"},
    {304, "if-modified-since was not modified"},
    {305, "redirection to proxy, location header specifies proxy to use"},
    {307, "HTTP/1.1: keep same verb"},
    {400, "invalid syntax"},
    {401, "access denied"},
    {402, "payment required"},
    {403, "request forbidden"},
    {404, "object not found"},
    {405, "method is not allowed"},
    {406, "no response acceptable to client found"},
    {407, "proxy authentication required"},
    {408, "server timed out waiting for request"},
    {409, "user should resubmit with more info"},
    {410, "the resource is no longer available"},
    {411, "the server refused to accept request w/o a length"},
    {412, "precondition given in request failed"},
    {413, "request entity was too large"},
    {414, "request URI too long"},
    {415, "unsupported media type"},
    {500, "internal server error"},
    {501, "required not supported"},
    {502, "error response received from gateway"},
    {503, "temporarily overloaded"},
    {504, "timed out waiting for gateway"},
    {505, "HTTP version not supported"},
};

const char* LookupText(std::span<const MessageText> table, std::uint32_t code)
{
    for (const auto& row : table)
        if (row.code == code)
            return row.text;
    return nullptr;
}

std::string StatusText(long status)
{
    if (status >= 0 && status <= 0xFFFFFFFFL)
        if (const char* text = LookupText(HttpStatusTexts, static_cast<std::uint32_t>(status)))
            return text;
    return "unknown status " + std::to_string(status);
}

} // namespace InetStuff
