#pragma once

// The help contexts: each names the topic of the help file (skelvo.hlp, a
// topic per number, see HelpFile.h) that describes a control. The forms give
// them to their controls; the help file's test checks that every one of them
// has its topic, and that the forms use no other.
namespace HelpContexts {

// The main window.
inline constexpr int IndexPage = 3; // the Index page, its read-outs and "Obey NOINDEX"
inline constexpr int FollowLinks = 2;
inline constexpr int LogsPage = 5;

// The options dialog.
inline constexpr int Options = 6; // the dialog and its pages
inline constexpr int OutputFile = 20;
inline constexpr int InputFile = 21;
inline constexpr int SavedFile = 22;
inline constexpr int TrackFile = 23;
inline constexpr int Separator = 24;
inline constexpr int TitleCutoff = 25;
inline constexpr int DescriptionLength = 26;
inline constexpr int SaveLastModified = 27;
inline constexpr int KeywordsRequired = 29;
inline constexpr int MetaFirst = 30;
inline constexpr int DomainExtensions = 310;
inline constexpr int WebExtensions = 32;
inline constexpr int FilterKeywords = 33;
inline constexpr int FilterDomains = 34;
inline constexpr int TargetKeywords = 35;
inline constexpr int Browse = 36;
inline constexpr int Ok = 37;
inline constexpr int Cancel = 38;
inline constexpr int ProxyAddress = 39;
inline constexpr int ProxyPort = 40;
inline constexpr int ProxyCredentials = 41; // the user name and the password
inline constexpr int UseProxy = 420;
inline constexpr int FetchHttps = 43; // also the Web page's overview
inline constexpr int CaFile = 44;
inline constexpr int SocksServer = 45;
inline constexpr int SocksPort = 46;
inline constexpr int SocksCredentials = 47; // the user name and the password
inline constexpr int ObeyRobots = 48;
inline constexpr int SkipErrorStatus = 49;
inline constexpr int RequestDelay = 50;
inline constexpr int RejectedFile = 51;

// Every help context above.
inline constexpr int All[] = { IndexPage, FollowLinks, LogsPage, Options, OutputFile, InputFile,
    SavedFile, TrackFile, Separator, TitleCutoff, DescriptionLength, SaveLastModified,
    KeywordsRequired, MetaFirst, DomainExtensions, WebExtensions, FilterKeywords, FilterDomains,
    TargetKeywords, Browse, Ok, Cancel, ProxyAddress, ProxyPort, ProxyCredentials, UseProxy,
    FetchHttps, CaFile, SocksServer, SocksPort, SocksCredentials, ObeyRobots, SkipErrorStatus,
    RequestDelay, RejectedFile };

} // namespace HelpContexts
