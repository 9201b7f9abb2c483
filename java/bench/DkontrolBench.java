import QuervikPkg.Quervik;

/**
 * Times the dkontrol export on one DRG file inside a JVM (the JVM's start is not counted).
 * Arguments: library path, catalogue path, DRG file, runs. Prints the best time in
 * nanoseconds and the result of the last run.
 */
public class DkontrolBench {
    public static void main(String[] args) {
        System.load(args[0]);
        Quervik.setMessageFileName(args[1]);
        int runs = Integer.parseInt(args[3]);
        long best = Long.MAX_VALUE;
        int result = 0;
        for (int i = 0; i < runs; i++) {
            long start = System.nanoTime();
            result = Quervik.dkontrol(null, args[2], null, null, null, null, null, null, null);
            best = Math.min(best, System.nanoTime() - start);
            Quervik.clearErrors();
        }
        System.out.println(best + " " + result);
    }
}
