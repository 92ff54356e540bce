#!/usr/bin/env python3
"""Writes a deterministic web site of interlinked HTML pages for the crawl benchmark.

The site looks like a documentation or news site: a home page listing its
sections, one contents page per section listing its articles, and articles of
about 10 KB with a title, meta description and keywords, a navigation bar,
paragraphs of text and a few links to related articles elsewhere. Every page
is reachable from the home page. The same seed and page count always give the
same bytes.

    crawl_site.py DIR [--pages N] [--seed S]
"""

import argparse
import os
import random

WORDS = """
able about account across action active actual address advance after again
agency almost already also always amount analysis annual answer anyone appear
apply approach area argue around article artist assume attack author available
average balance base basic beautiful become before begin behind believe benefit
better between beyond board body book both break bring budget build business
call camera campaign capital card care carry case catch cause center central
century certain chair challenge chance change character charge check choice
church citizen city civil claim class clear close coach cold collection college
color common community company compare computer concern condition conference
consider contain continue control cost could country couple course court cover
create crime cultural culture current customer cycle data daughter deal debate
decade decide deep defense degree democratic describe design detail determine
develop difference different difficult dinner direction director discover
discuss disease doctor door down draw dream drive during early east easy economic
economy edge education effect effort eight either election else employee energy
enjoy enough enter entire environment especially establish evening event every
evidence exactly example executive exist expect experience expert explain factor
fail fall family father feel field fight figure fill film final finally financial
fine finger finish fire firm first fish five floor focus follow food foot force
foreign forget form former forward four free friend front full fund future game
garden general generation girl give glass goal good government great green ground
group grow growth guess hair half hand happen happy hard have head health hear
heart heat heavy help here herself high himself history hold home hope hospital
hotel hour house however huge human hundred husband idea identify image imagine
impact important improve include increase indeed indicate individual industry
information inside instead institution interest interview into investment issue
item itself join just keep kitchen know knowledge land language large last late
later laugh lawyer lead leader learn least leave left legal less letter level
life light like likely line list listen little live local long look lose loss
machine magazine main maintain major majority make manage management market
marriage material matter maybe mean measure media medical meeting member memory
mention method middle might military million mind minute mission model modern
moment money month morning most mother mouth movement movie much music must
myself name nation national natural nature near nearly necessary need network
never news newspaper next nice night none north note nothing notice number occur
offer office officer official often once only onto open operation option order
organization other outside over owner page pain painting paper parent part
participant particular partner party pass past patient pattern peace people
perform perhaps period person personal phone physical pick picture piece place
plan plant play player point police policy political poor popular population
position positive possible power practice prepare present president pressure
pretty prevent price private probably process produce product production
professional program project property protect prove provide public pull purpose
push quality question quickly quite race radio raise range rate rather reach read
ready real reality realize really reason receive recent recently recognize record
reduce reflect region relate relationship religious remain remember report
represent research resource respond rest result return reveal rich right rise
risk road rock role room rule safe same save scene school science scientist
score season seat second section security seek seem sell send senior sense series
serious serve service seven several shake share shoot short shot should shoulder
show side sign significant similar simple simply since sing single sister site
situation size skill small smile social society soldier some somebody someone
something sometimes song soon sort sound source south southern space speak
special specific speech spend sport spring staff stage stand standard star start
state statement station stay step still stock store story strategy street strong
structure student study stuff style subject success successful such suddenly
suffer suggest summer support sure surface system table take talk task teach
teacher team technology television tell tend term test than thank their theory
there these thing think third those though thought thousand threat three through
throughout throw thus time today together tonight total tough toward town trade
traditional training travel treat treatment tree trial trip trouble true truth
turn type under understand unit until upon usually value various very victim
view violence visit voice vote wait walk wall want watch water weapon wear week
weight well west western what whatever when where whether which while white
whole whose wide wife will wind window wish with within without woman wonder
word work worker world worry would write writer wrong yard yeah year young
yourself
""".split()

ARTICLE_BYTES = 10_000
RELATED_LINKS = 6
ARTICLES_PER_SECTION = 100


def words(rng, count):
    return " ".join(rng.choice(WORDS) for _ in range(count))


def sentence(rng):
    text = words(rng, rng.randint(8, 18))
    return text[0].upper() + text[1:] + "."


def paragraph(rng):
    return " ".join(sentence(rng) for _ in range(rng.randint(3, 6)))


def head(title, description, keywords):
    return (
        "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n"
        "<meta charset=\"utf-8\">\n"
        f"<title>{title}</title>\n"
        f"<meta name=\"description\" content=\"{description}\">\n"
        f"<meta name=\"keywords\" content=\"{keywords}\">\n"
        "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n"
        "<style>body { font-family: sans-serif; max-width: 50em; margin: auto; }\n"
        "nav a { margin-right: 1em; } footer { color: #666; }</style>\n"
        "</head>\n"
    )


def foot(rng):
    return (
        "<footer>\n<p>" + sentence(rng) + "</p>\n"
        "<p>Published by the " + words(rng, 2) + " desk.</p>\n</footer>\n</body>\n</html>\n"
    )


class Site:
    """The page names of a site of `pages` pages and what each links to."""

    def __init__(self, pages, seed):
        if pages < 3:
            raise ValueError("a site needs at least 3 pages")
        self.seed = seed
        sections = max(1, round(pages / (ARTICLES_PER_SECTION + 1)))
        articles = pages - 1 - sections
        self.sections = [f"/s{s:03d}/" for s in range(sections)]
        # Articles are dealt to the sections in turn, so every section is about as long.
        self.articles = [[] for _ in range(sections)]
        for a in range(articles):
            s = a % sections
            self.articles[s].append(f"{self.sections[s]}a{a:06d}.html")
        self.all_articles = [path for section in self.articles for path in section]

    def files(self):
        """(path below the site root, bytes) of every page."""
        rng = random.Random(self.seed)
        yield "/index.html", self.home(rng)
        for s, section in enumerate(self.sections):
            yield section + "index.html", self.contents(rng, s)
            for i, path in enumerate(self.articles[s]):
                yield path, self.article(rng, s, i)

    def home(self, rng):
        items = "".join(
            f"<li><a href=\"{section[1:]}index.html\">Section {s + 1}: {words(rng, 3)}</a></li>\n"
            for s, section in enumerate(self.sections))
        return (head("Home of the " + words(rng, 3) + " site", sentence(rng), words(rng, 6))
                + "<body>\n<h1>Welcome</h1>\n<p>" + paragraph(rng) + "</p>\n<ul>\n" + items
                + "</ul>\n" + foot(rng)).encode()

    def contents(self, rng, s):
        items = "".join(
            f"<li><a href=\"{path.rsplit('/', 1)[1]}\">{words(rng, 4)}</a></li>\n"
            for path in self.articles[s])
        return (head(f"Section {s + 1}: {words(rng, 3)}", sentence(rng), words(rng, 6))
                + "<body>\n<nav><a href=\"/index.html\">Home</a></nav>\n"
                + f"<h1>Section {s + 1}</h1>\n<p>" + paragraph(rng) + "</p>\n<ol>\n" + items
                + "</ol>\n" + foot(rng)).encode()

    def article(self, rng, s, i):
        section = self.articles[s]
        nav = ["<a href=\"/index.html\">Home</a>", "<a href=\"index.html\">Contents</a>"]
        if i > 0:
            nav.append(f"<a href=\"{section[i - 1].rsplit('/', 1)[1]}\">Previous</a>")
        if i + 1 < len(section):
            nav.append(f"<a href=\"{section[i + 1].rsplit('/', 1)[1]}\">Next</a>")
        related = "".join(
            f"<li><a href=\"{rng.choice(self.all_articles)}\">{words(rng, 5)}</a></li>\n"
            for _ in range(RELATED_LINKS))
        title = words(rng, rng.randint(3, 8)).capitalize()
        top = (head(title, sentence(rng), ", ".join(words(rng, 1) for _ in range(6)))
               + "<body>\n<nav>" + " ".join(nav) + "</nav>\n<article>\n<h1>" + title + "</h1>\n")
        bottom = ("</article>\n<aside>\n<h2>Related</h2>\n<ul>\n" + related + "</ul>\n</aside>\n"
                  + foot(rng))
        body = []
        size = len(top) + len(bottom)
        while size < ARTICLE_BYTES:
            part = "<p>" + paragraph(rng) + "</p>\n"
            if rng.random() < 0.2:
                part = "<h2>" + words(rng, 3).capitalize() + "</h2>\n" + part
            body.append(part)
            size += len(part)
        return (top + "".join(body) + bottom).encode()


def write_site(folder, pages, seed=1):
    """Writes the site into `folder`; returns the start URL's path ("/index.html")."""
    for path, data in Site(pages, seed).files():
        target = os.path.join(folder, path.lstrip("/"))
        os.makedirs(os.path.dirname(target), exist_ok=True)
        with open(target, "wb") as out:
            out.write(data)
    return "/index.html"


def main():
    parser = argparse.ArgumentParser(description="Write a deterministic test web site.")
    parser.add_argument("folder")
    parser.add_argument("--pages", type=int, default=2000)
    parser.add_argument("--seed", type=int, default=1)
    args = parser.parse_args()
    write_site(args.folder, args.pages, args.seed)


if __name__ == "__main__":
    main()
