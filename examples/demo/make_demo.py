#!/usr/bin/env python3
"""Writes the demo study's CSV files (labels.csv, data.csv).

Deterministic: the same seed always gives the same study, so the committed
CSV files can be regenerated and compared.
"""
import csv
import random

rng = random.Random(20261206)

LABELS = [
    ("Q1", 7, 0, "What do you like most about the coffee you drink at home?"),
    ("Q2", 7, 0, "What, if anything, would you change about it?"),
    ("Q3", 7, 0, "Why did you choose this brand? (asked for each brand bought)"),
    ("Q4", 1, 1, "Where do you buy coffee most often?"),
    ("Q5", 2, 1, "Which sources of information did you use before buying?"),
]

LIKES = [
    "the taste", "strong flavour", "it is not bitter", "smells great in the morning",
    "good value for money", "the price", "easy to find in shops", "fair trade",
    "organic beans", "the packaging keeps it fresh", "smooth, not acidic",
    "my partner likes it", "it goes well with milk", "consistent quality",
    "rich aroma", "nothing special really", "caffeine!", "habit",
]
CHANGES = [
    "cheaper", "bigger bags", "resealable packaging", "less bitter",
    "more decaf options", "nothing", "stronger roast", "recyclable pods",
    "make it available in my local shop", "a loyalty scheme", "less plastic",
    "the grind is too fine for my machine", "label is hard to read",
]
REASONS = [
    "on special offer", "recommended by a friend", "I always buy it",
    "liked the advert", "wanted to try something new", "it was the only one left",
    "better than the supermarket brand", "the beans are from Colombia",
    "strong enough for espresso", "looked good on the shelf",
]
STORES = {1: "Supermarket", 2: "Discount store", 3: "Online", 4: "Coffee shop", 5: "Market stall"}
OTHER_STORES = ["corner shop near work", "petrol station", "my cousin roasts it", "farm shop", "airport duty free"]
SOURCES = {1: "TV", 2: "Friends", 3: "Reviews online", 4: "In-store tasting"}
OTHER_SOURCES = ["barista at my cafe", "a podcast", "the radio", "magazine article"]


def phrase(pool, rng):
    first, second = rng.sample(pool, 2)
    return first + " and " + second if rng.random() < 0.25 else first


def main():
    with open("labels.csv", "w", newline="", encoding="utf-8") as f:
        w = csv.writer(f, lineterminator="\r\n")
        w.writerow(["name", "type", "other", "text"])
        for row in LABELS:
            w.writerow(row)

    columns = ["respondent", "sequence", "complete", "Q1", "Q2", "Q3[1]", "Q3[2]", "Q3[3]", "Q4", "Q5"]
    with open("data.csv", "w", newline="", encoding="utf-8") as f:
        w = csv.writer(f, lineterminator="\r\n")
        w.writerow(columns)
        for i in range(200):
            respondent = 1001 + i
            complete = 0 if rng.random() < 0.12 else 1
            q1 = "" if rng.random() < 0.08 else "|".join(
                phrase(LIKES, rng) for _ in range(1 if rng.random() < 0.8 else 2))
            q2 = "" if rng.random() < 0.2 else phrase(CHANGES, rng)
            brands = rng.randint(0, 3)
            q3 = [phrase(REASONS, rng) if b < brands and rng.random() < 0.9 else "" for b in range(3)]
            store = rng.choice(list(STORES) + [97])
            q4 = f"97 {rng.choice(OTHER_STORES)}" if store == 97 else str(store)
            sources = sorted(rng.sample(list(SOURCES), rng.randint(1, 2)))
            q5 = [str(s) for s in sources]
            if rng.random() < 0.2:
                q5.append(f"97 {rng.choice(OTHER_SOURCES)}")
            if not complete:
                # Incomplete interviews stopped part way through.
                q3, q4, q5 = ["", "", ""], "", []
            w.writerow([respondent, "", complete, q1, q2, *q3, q4, "|".join(q5)])


if __name__ == "__main__":
    main()
