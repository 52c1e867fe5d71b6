// The photo store: field photos sent by the photo loader, each a JPEG picture with its photo data
// file under one name (the name the return gave it, e.g. "A00157campo3"), kept in the table
// PALMR_FOTO_FILE (FILENAME primary key, FOTO and DATI blobs, DATA_CARICO "YYYYMMDDHHNNSS").
//
// A photo is written in one transaction, so a server killed at any moment keeps it whole or not
// at all. Sending the same bytes under a known name again is a success (the loader's retry after
// a lost answer); different bytes under a known name are refused and the stored photo is kept.
//
// Requests (after the caller's authentication, CentralServer::Photos):
//   POST Fotoservlet?function=upload&name=N&jpg=L, body: the L bytes of the picture followed by
//        the bytes of the data file. 200 "OK stored" or "OK already stored"; 409 for other bytes
//        under a stored name; 400 for a bad name or length.
//   GET  Fotoservlet?function=read&name=N&part=jpg|dat: the stored bytes; 404 when unknown.
//   GET  Fotoservlet?function=login: 200 "OK" (the credentials were accepted).
#pragma once

#include <string>

#include "Database.h"

namespace httplib {
struct Request;
struct Response;
}  // namespace httplib

namespace terv::central {

inline constexpr const char* kPhotoTable = "PALMR_FOTO_FILE";

enum class PhotoStored { kNew, kSame, kDifferent, kFailed };

// Letters, digits, "_" and "-", 1 to 25 characters (FILENAME of the photo rows).
bool ValidPhotoName(const std::string& name);

// Stores one photo (creating the table when missing). kFailed with SQLite's text in *error.
PhotoStored StorePhoto(Connection& conn, const std::string& name, const std::string& jpeg,
                       const std::string& data, std::string* error);

// Answers one photo request of an authenticated caller.
void ServePhotos(ConnectionPool& pool, const httplib::Request& req, httplib::Response& res);

}  // namespace terv::central
